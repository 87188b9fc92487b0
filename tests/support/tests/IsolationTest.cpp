#include "tests/support/Isolation.h"

#include "tests/support/Fork.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Every test that touches the daemon's fixed paths trusts this: a file written
// under an isolated /var/run stays invisible to the machine's own /var/run.
TEST(Isolation, WritesStayInsideTheNamespace) {
    const char* probe = "/var/run/halvox-isolation-probe";
    struct stat st {};
    ASSERT_NE(0, ::stat(probe, &st));
    pid_t child = TestSupport::ForkAlone();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string why;
        if (!TestSupport::EnterPrivateNamespaces(why)) ::_exit(2);
        if (!TestSupport::MountTmpfs("/var/run", why)) ::_exit(3);
        std::ofstream(probe) << "x";
        ::_exit(::stat(probe, &st) == 0 ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no private namespaces here";
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_NE(0, ::stat(probe, &st));
}

// A user who is not root runs the isolated tests wherever the machine lets it
// make a user namespace (Debian does by default), instead of skipping them.
// Only a program still in the machine's user namespace asks a child whether
// the machine allows one: inside its own, a fault of the set-up (an unmapped
// group) refuses the child too and would pass for a machine that refuses.
TEST(Isolation, IsNotRefusedWhereTheMachineAllowsUserNamespaces) {
    if (!TestSupport::EnteredUserNamespace()) {
        const pid_t child = TestSupport::ForkAlone();
        ASSERT_GE(child, 0);
        if (child == 0) ::_exit(::unshare(CLONE_NEWUSER) == 0 ? 0 : 1);
        int status = 0;
        ASSERT_EQ(child, ::waitpid(child, &status, 0));
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            GTEST_SKIP() << "the machine refuses user namespaces";
    }
    std::string why;
    EXPECT_TRUE(TestSupport::IsolateThisTest(why)) << why;
}
