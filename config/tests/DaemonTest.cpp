#include "config/Daemon.h"
#include "config/SysLogManager.h"
#include "config/tests/SyslogSink.h"
#include "tests/support/Fork.h"
#include "tests/support/TempDir.h"
#include "runtime/tests/FakeClock.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>

using TestSupport::ReadFile;
using TestSupport::TempDir;

namespace {

// Runs Daemon::Init in a child; the daemon process it leaves behind runs body
// with a pipe to write its findings to, then ends. Returns what it wrote.
std::string daemonize(const Daemon::Params& params, const std::function<void()>& beforeInit,
                      const std::function<void(int report)>& body, bool exitNormally = false) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return "no pipe";
    const pid_t child = TestSupport::ForkAlone();
    if (child < 0) {
        const std::string why = std::string("no fork: ") + std::strerror(errno);
        ::close(report[0]);
        ::close(report[1]);
        return why;
    }
    if (child == 0) {
        ::close(report[0]);
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        beforeInit();
        Daemon::Init(params);
        body(report[1]);
        if (exitNormally) std::exit(0);
        ::_exit(0);
    }
    ::close(report[1]);
    int status = -1;
    ::waitpid(child, &status, 0);
    std::string text;
    char buffer[256];
    pollfd fd{report[0], POLLIN, 0};
    while (::poll(&fd, 1, 5000) > 0) {
        const ssize_t n = ::read(report[0], buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, std::size_t(n));
    }
    ::close(report[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        text += " [parent of the daemon ended with status " + std::to_string(status) + "]";
    return text;
}

void say(int fd, const std::string& text) {
    if (::write(fd, text.data(), text.size()) != ssize_t(text.size())) ::_exit(3);
}

TEST(Daemon, SyslogModeSendsTheStandardStreamsAndDescriptorsUnderTheNameCutTo79) {
    SyslogSink sink(SOCK_DGRAM);
    TempDir unused;
    Daemon::Params params;
    params.name = std::string(60, 'a') + std::string(40, 'b');
    const std::string ident = std::string(60, 'a') + std::string(19, 'b') + ": ";
    auto logToSink = [&sink] {
        new FakeClock(1000);
        syslogManager.setServerPath(sink.path().c_str());
    };
    const std::string report = daemonize(params, logToSink, [&](int fd) {
        std::cerr << "boom" << std::endl;
        std::cout << "note" << std::endl;
        std::clog << "debug" << std::endl;
        say(STDERR_FILENO, "raw\n");
        Daemon::Params other;
        other.mode = 1;
        other.name = unused.path();
        Daemon::Init(other);
        std::cerr << "still" << std::endl;
        say(fd, "done");
    });
    EXPECT_EQ(report, "done");
    const auto got = sink.waitFor(5);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0], SyslogMessage(27, ident + "boom"));
    EXPECT_EQ(got[1], SyslogMessage(29, ident + "note"));
    EXPECT_EQ(got[2], SyslogMessage(31, ident + "debug"));
    EXPECT_EQ(got[3], "raw\n");
    EXPECT_EQ(got[4], SyslogMessage(27, ident + "still"));
    EXPECT_TRUE(std::filesystem::is_empty(unused.path())) << "the second Init made log files";
}

TEST(Daemon, FileModeWritesHourlyFilesAndFlushesAtExit) {
    TempDir dir;
    Daemon::Params params;
    params.mode = 1;
    params.name = dir.path();
    const std::string report = daemonize(
        params, [] { new FakeClock(1000); },
        [&](int fd) {
            std::cout << "to file" << std::endl;
            std::cerr << "err" << std::endl;
            std::clog << "pending at exit";
            say(fd, "done");
        },
        true);
    EXPECT_EQ(report, "done");
    EXPECT_EQ(ReadFile(dir.path() + "/2023_10_11-16.log"),
              "46:01:00000: to file\n46:01:00000: err\n46:01:00000: pending at exit\n");
}

TEST(Daemon, OtherModesDetachWithoutRedirecting) {
    std::streambuf* const original = std::cout.rdbuf();
    Daemon::Params params;
    params.mode = 2;
    params.nochdir = true;
    const auto here = std::filesystem::current_path();
    const std::string report = daemonize(
        params, [] {},
        [&](int fd) {
            const bool sameDir = std::filesystem::current_path() == here;
            const bool leader = ::getsid(0) == ::getpid();
            say(fd, std::string(std::cout.rdbuf() == original ? "kept " : "redirected ") +
                        (leader ? "leader " : "member ") + (sameDir ? "same-dir" : "moved"));
        });
    EXPECT_EQ(report, "kept leader same-dir");
}

}  // namespace
