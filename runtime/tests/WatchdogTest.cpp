// The watchdog device is replaced by a FIFO (or another node) in a private
// /dev, so the loop's writes to it can be read back.
#include "runtime/Event.h"
#include "runtime/Multiplexer.h"
#include "runtime/MuxClock.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "runtime/tests/TestPipe.h"
#include "tests/support/DescriptorLimit.h"
#include "tests/support/Isolation.h"
#include "tests/support/StreamCapture.h"

#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using TestSupport::StreamCapture;

namespace {

const char device[] = "/dev/misc/gw-wd";

// What the loop wrote to the watchdog, word by word, with the loop's clock
// when each word was read.
struct WatchdogReader {
    bool Open() {
        fifo = Fd(::open(device, O_RDONLY | O_NONBLOCK));
        return fifo.is_valid();
    }
    void Read() {
        char buf[256];
        ssize_t n;
        while ((n = ::read(fifo.lowlevel_fd(), buf, sizeof buf)) > 0) {
            pending.append(buf, std::size_t(n));
            for (const char* word : {"START", "PING", "STOP"}) {
                std::string w(word);
                while (pending.compare(0, w.size(), w) == 0) {
                    words.push_back(w);
                    at.push_back(Mux::milliseconds());
                    pending.erase(0, w.size());
                }
            }
        }
    }
    std::vector<std::string> words;
    std::vector<std::uint32_t> at;
    std::string pending;
    Fd fifo;
};

// The device as a FIFO in a private /dev, opened by the reader.
#define MAKE_FIFO(reader)                                             \
    do {                                                              \
        HALVOX_ISOLATE("/dev");                                       \
        ASSERT_EQ(0, ::mkdir("/dev/misc", 0755));                     \
        ASSERT_EQ(0, ::mkfifo(device, 0600)) << std::strerror(errno); \
        ASSERT_TRUE((reader).Open());                                 \
    } while (0)

// Runs the loop with the watchdog on and returns what went to the error stream.
std::string ErrorsOfRun(LoopDriver& driver, unsigned iterations) {
    StreamCapture capture(std::cerr);
    driver.Run(iterations, true);
    return capture.str();
}

}  // namespace

TEST(Watchdog, StartPingAtMostOncePerSecondThenStop) {
    WatchdogReader reader;
    MAKE_FIFO(reader);
    FakeClock clock(100000);
    // The loop spins, each iteration a millisecond later, until 4.6 s have
    // passed; the driver reads the device once per iteration, so every word
    // is stamped one step after it was written.
    LoopDriver driver(&clock, 1);
    driver.probe = [&](unsigned) {
        reader.Read();
        if (Mux::milliseconds() >= 104600) multiplexer.terminate();
    };
    std::string log;
    {
        StreamCapture capture(std::clog);
        driver.Run(10000, true);
        log = capture.str();
    }
    reader.Read();
    EXPECT_EQ("Mux: terminating...\n", log);
    ASSERT_GE(reader.words.size(), 3u);
    EXPECT_EQ("START", reader.words.front());
    EXPECT_EQ("STOP", reader.words.back());
    std::vector<std::uint32_t> pings;
    for (std::size_t i = 1; i + 1 < reader.words.size(); ++i) {
        EXPECT_EQ("PING", reader.words[i]);
        pings.push_back(reader.at[i]);
    }
    // The first ping follows the first poll; then exactly one per second.
    ASSERT_EQ(5u, pings.size());
    EXPECT_EQ(100001u + 1, pings[0]);
    for (std::size_t i = 1; i < pings.size(); ++i) EXPECT_EQ(1000u, pings[i] - pings[i - 1]);
}

TEST(Watchdog, IdleLoopWakesAtLeastOncePerSecond) {
    WatchdogReader reader;
    MAKE_FIFO(reader);
    // Nothing due and an idle descriptor: only the watchdog's cap ends each
    // poll; the alarm ends a loop that would poll for ever.
    TestPipe idle;
    Event quiet;
    quiet.Schedule(idle.in, POLLIN);
    LoopDriver driver;
    driver.wait = -1;
    ::alarm(10);
    auto start = std::chrono::steady_clock::now();
    driver.Run(3, true);  // two polls
    auto took = std::chrono::steady_clock::now() - start;
    ::alarm(0);
    EXPECT_GE(took, std::chrono::milliseconds(1900));
    EXPECT_LT(took, std::chrono::milliseconds(2400)) << "poll longer than a second";
}

TEST(Watchdog, MissingDeviceOrFailedStartIsReportedAndTheLoopRunsWithout) {
    HALVOX_ISOLATE();
    std::string why;
    ASSERT_TRUE(TestSupport::MountTmpfs("/dev", why, {"/dev/full"})) << why;
    LoopDriver driver;
    EXPECT_EQ("Mux: fail to open watchdog: No such file or directory\n", ErrorsOfRun(driver, 2));
    ASSERT_EQ(0, ::mkdir("/dev/misc", 0755));
    // Every write to the full device fails: no space.
    ASSERT_TRUE(TestSupport::BindNode("/dev/full", device, why)) << why;
    EXPECT_EQ("Mux: fail to activate watchdog: No space left on device\n", ErrorsOfRun(driver, 3));
}

// Short of descriptors at the start, the watchdog is opened 5000 ms later,
// once they are back, and fed at once. Meanwhile an idle loop polls until
// the retry is due: neither at once nor for ever.
TEST(Watchdog, AnOpenShortOfDescriptorsIsTriedAgainUntilItOpens) {
    WatchdogReader reader;
    MAKE_FIFO(reader);
    FakeClock clock(100000);
    TestPipe idle;
    Event quiet;
    quiet.Schedule(idle.in, POLLIN);
    // The sanitizers see the types of the loop's path before the limit.
    LoopDriver().Run(2, true);
    reader.Read();
    reader.words.clear();
    reader.at.clear();

    LoopDriver driver;
    driver.wait = -1;
    std::optional<TestSupport::DescriptorLimit> limit;
    // Turn 1 gives the descriptors back 50 ms of real poll before the retry;
    // turn 2 makes the retry due.
    driver.probe = [&](unsigned turn) {
        if (turn == 1) limit.reset();
        clock.advanceMs(turn == 1 ? 4950 : turn == 2 ? 50 : 0);
        reader.Read();
    };
    StreamCapture errors(std::cerr);
    limit.emplace(0);
    // A poll that waited for ever would end here.
    ::alarm(5);
    const auto start = std::chrono::steady_clock::now();
    driver.Run(3, true);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
    ::alarm(0);
    reader.Read();
    EXPECT_EQ("Mux: fail to open watchdog: Too many open files, trying again in 5000 ms\n",
              errors.str());
    EXPECT_EQ((std::vector<std::string>{"START", "PING", "STOP"}), reader.words);
    ASSERT_EQ(3u, reader.at.size());
    EXPECT_EQ(105000u, reader.at[0]);
    EXPECT_EQ(105000u, reader.at[1]);
    EXPECT_GE(took, 50);
    EXPECT_LT(took, 1000);
}

TEST(Watchdog, FailedPingsAreReportedAndTheDeviceStaysOpen) {
    WatchdogReader reader;
    MAKE_FIFO(reader);
    ::signal(SIGPIPE, SIG_IGN);
    FakeClock clock(100000);
    LoopDriver driver(&clock, 500);
    // Once "START" is in, the reader goes away and every later write fails.
    driver.probe = [&](unsigned) { reader.fifo.close(); };
    std::string errors = ErrorsOfRun(driver, 5);
    ::signal(SIGPIPE, SIG_DFL);
    EXPECT_EQ(
        "Mux: ping watchdog failed: Broken pipe\n"
        "Mux: ping watchdog failed: Broken pipe\n"
        "Mux: stop watchdog failed: Broken pipe\n",
        errors);
}
