#include "runtime/Fd.h"
#include "runtime/LinuxRun.h"
#include "tests/support/Isolation.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
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

// A FIFO at the path, with or without a reader: no pid goes into it, nothing
// waits (the open, the write, the read-back at the end) and it stays.
TEST(PidFile, AFifoThereIsNotWrittenAndHoldsNothing) {
    HALVOX_ISOLATE("/var/run");
    for (const bool read : {false, true}) {
        SCOPED_TRACE(read ? "with a reader" : "without a reader");
        ASSERT_EQ(0, ::mkfifo(path, 0644));
        Fd reader;
        if (read) {
            ASSERT_TRUE(reader.open(path, O_RDONLY | O_NONBLOCK));
        }
        TestSupport::StreamCapture err(std::cerr);
        ::alarm(5);  // ends a run that waits for ever
        { Linux::Run run("server"); }
        ::alarm(0);
        EXPECT_EQ("pid file /var/run/server.pid: No such device or address\n", err.str());
        char got;
        if (read) {
            EXPECT_GE(0, ::read(reader.lowlevel_fd(), &got, 1)) << "the FIFO was written";
        }
        struct stat st;
        EXPECT_TRUE(::stat(path, &st) == 0 && S_ISFIFO(st.st_mode));
        ASSERT_EQ(0, ::unlink(path));
    }
}
