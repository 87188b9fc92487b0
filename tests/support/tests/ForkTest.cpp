#include "tests/support/Fork.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

TEST(ForkAlone, RefusesWhileAnotherThreadRunsAndForksOnceItEnded) {
    int hold[2];
    ASSERT_EQ(0, ::pipe(hold));
    std::thread helper([&hold] {
        char byte;
        (void)!::read(hold[0], &byte, 1);
    });
    errno = 0;
    const pid_t refused = TestSupport::ForkAlone();
    const int error = errno;
    if (refused == 0) ::_exit(0);
    ::close(hold[1]);
    helper.join();
    ::close(hold[0]);
    EXPECT_EQ(-1, refused);
    EXPECT_EQ(EDEADLK, error);

    const pid_t child = TestSupport::ForkAlone();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    int status = -1;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_EQ(0, status);
}
