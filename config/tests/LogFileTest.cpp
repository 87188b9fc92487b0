#include "config/LogFileStreamBuf.h"
#include "tests/support/TempDir.h"
#include "runtime/Fd.h"
#include "runtime/tests/FakeClock.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>

using TestSupport::ReadFile;
using TestSupport::TempDir;

namespace {

// The fake clock starts at 2023-10-11 16:46:00 UTC; the tests read it in UTC.
const std::uint64_t to14h05m09s001234 = (21ull * 3600 + 19 * 60 + 9) * 1000000 + 1234;

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        clock.advanceUs(to14h05m09s001234);  // 2023-10-12 14:05:09.001234
    }
    std::string file(const std::string& stamp) { return ReadFile(dir + "/" + stamp + ".log"); }

    FakeClock clock{0};
    TempDir temp;
    const std::string dir = temp.path();
};

TEST_F(LogFileTest, LinesGoToTheFileOfTheirHourWithTimePrefix) {
    LogFileStreamBuf buffer(dir);
    std::ostream out(&buffer);
    out << "first" << std::endl << "a\nb" << std::endl;
    EXPECT_EQ(file("2023_10_12-14"), "05:09:01234: first\n05:09:01234: a\n05:09:01234: b\n");

    clock.advanceUs(3600000000ull - 9001234 - 5 * 60000000ull + 123456);  // 15:00:00.123456
    out << "next hour" << std::endl;
    EXPECT_EQ(file("2023_10_12-15"), "00:00:123456: next hour\n");
    EXPECT_EQ(file("2023_10_12-14"), "05:09:01234: first\n05:09:01234: a\n05:09:01234: b\n");

    // The same hour of the next day is another file.
    clock.advanceUs(24ull * 3600 * 1000000);
    out << "tomorrow" << std::endl;
    EXPECT_EQ(file("2023_10_13-15"), "00:00:123456: tomorrow\n");
}

TEST_F(LogFileTest, LineWrittenInPiecesHasOnePrefix) {
    LogFileStreamBuf buffer(dir);
    std::ostream out(&buffer);
    out << "ab" << std::flush;
    clock.advanceUs(1000000);
    out << "c" << std::endl;
    // Longer than the 16-octet area: reaches the file in pieces.
    out << "0123456789abcdefghijklmnopqrstuvwxyz" << std::endl;
    EXPECT_EQ(file("2023_10_12-14"),
              "05:09:01234: abc\n05:10:01234: 0123456789abcdefghijklmnopqrstuvwxyz\n");
}

TEST_F(LogFileTest, RestartWithinTheHourAppends) {
    {
        LogFileStreamBuf buffer(dir);
        std::ostream out(&buffer);
        out << "before restart" << std::endl;
        out << "pending at exit";
    }
    LogFileStreamBuf buffer(dir);
    std::ostream out(&buffer);
    out << "after" << std::endl;
    EXPECT_EQ(file("2023_10_12-14"),
              "05:09:01234: before restart\n05:09:01234: pending at exit"
              "\n05:09:01234: after\n");
}

TEST_F(LogFileTest, UnwritableDirectoryFailsSilentlyAndRetriesNextHour) {
    const std::string missing = dir + "/later";
    LogFileStreamBuf buffer(missing);
    EXPECT_FALSE(buffer.NewFile());
    std::ostream out(&buffer);
    out << "dropped" << std::endl;
    ASSERT_EQ(::mkdir(missing.c_str(), 0700), 0);
    clock.advanceUs(3600ull * 1000000);
    out << "kept" << std::endl;
    EXPECT_EQ(ReadFile(missing + "/2023_10_12-15.log"), "05:09:01234: kept\n");
}

TEST_F(LogFileTest, OnlyARegularFileIsWrittenAndNothingWaits) {
    // The hour's path is a FIFO: with no reader its open would wait for one,
    // and with one every write would wait once the reader stops reading.
    const std::string fifo14 = dir + "/2023_10_12-14.log", fifo15 = dir + "/2023_10_12-15.log";
    ASSERT_EQ(0, ::mkfifo(fifo14.c_str(), 0600));
    ASSERT_EQ(0, ::mkfifo(fifo15.c_str(), 0600));
    Fd reader;
    ASSERT_TRUE(reader.open(fifo15.c_str(), O_RDONLY | O_NONBLOCK));
    ::alarm(5);  // ends a run that waits for ever
    LogFileStreamBuf buffer(dir);
    EXPECT_FALSE(buffer.NewFile());
    std::ostream out(&buffer);
    out << "dropped" << std::endl;
    clock.advanceUs(3600ull * 1000000);
    out << "not for a FIFO" << std::endl;
    char got;
    EXPECT_GE(0, ::read(reader.lowlevel_fd(), &got, 1)) << "a FIFO was written";
    clock.advanceUs(3600ull * 1000000);
    out << "kept" << std::endl;
    ::alarm(0);
    EXPECT_TRUE(out.good());
    EXPECT_EQ(file("2023_10_12-16"), "05:09:01234: kept\n");
}

}  // namespace
