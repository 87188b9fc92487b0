#include "runtime/LinuxRun.h"
#include "tests/support/Isolation.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char path[] = "/var/run/server.pid";

bool Exists(const char* file) { return ::access(file, F_OK) == 0; }

}  // namespace

TEST(PidFile, HoldsThePidWhileRunningAndGoesAtTheEnd) {
    HALVOX_ISOLATE("/var/run");
    ::umask(022);
    {
        Linux::Run run("server");
        EXPECT_EQ(std::to_string(::getpid()), TestSupport::ReadFile(path)) << "the digits only";
        struct stat st;
        ASSERT_EQ(0, ::stat(path, &st));
        EXPECT_EQ(0644u, st.st_mode & 07777);
    }
    EXPECT_FALSE(Exists(path));
}

TEST(PidFile, AFileNoLongerOursIsLeft) {
    HALVOX_ISOLATE("/var/run");
    {
        Linux::Run run("server");
        std::ofstream(path) << "99999";  // another instance took it over
    }
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ("99999", TestSupport::ReadFile(path));
}

TEST(PidFile, FailureIsReportedAndTheProcessRunsOn) {
    HALVOX_ISOLATE("/var/run");
    TestSupport::StreamCapture err(std::cerr);
    { Linux::Run run("missing/server"); }
    EXPECT_EQ("pid file /var/run/missing/server.pid: No such file or directory\n", err.str());
}
