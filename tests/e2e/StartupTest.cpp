// Start-up, signals and shutdown of the daemon as its operator sees them.
#include "config/tests/SyslogSink.h"
#include "tests/e2e/DaemonTest.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <csignal>
#include <gmock/gmock.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using Startup = DaemonTest;

namespace {

const char* const usage =
    "Usage:\n halvoxd -Dh\n"
    "  -D --daemon                      run as daemon\n"
    "  -p --port                        use this port\n"
    "     --disable-clock               disable clock control\n"
    "     --version                     print version\n"
    "  -h --help                        display this information\n\n";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome RunToEnd(const std::vector<std::string>& args) {
    DaemonProcess run;
    if (!run.Start(args)) return {-1, "", ""};
    int status = run.WaitExit();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, run.Out(), run.Err()};
}

std::string VersionTag() {
    std::string out = RunToEnd({"--version"}).out;
    const std::string prefix = "server version: ";
    if (out.compare(0, prefix.size(), prefix) != 0 || out.empty()) return "";
    return out.substr(prefix.size(), out.size() - prefix.size() - 1);
}

bool Exists(const char* path) { return ::access(path, F_OK) == 0; }

// What a symbolic link names; empty when it cannot be read.
std::string Target(const std::string& link) {
    char target[256];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    return std::string(target, std::size_t(std::max<ssize_t>(length, 0)));
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(Startup, OptionsAndExitStatuses) {
    const struct {
        std::vector<std::string> args;
        int status;
        bool usageShown;
    } cases[] = {
        // clang-format off
        {{"-h"}, 0, true}, {{"--help"}, 0, true}, {{"--help", "--version"}, 0, true},
        {{"--version", "--help"}, 0, true}, {{"--bogus"}, 2, true}, {{"-p", "20002"}, 2, true},
        {{"--port"}, 2, true}, {{"--port", "abc"}, 2, true}, {{"--port", "0"}, 2, true},
        {{"--port", "65536"}, 2, true}, {{"--port", "20002x"}, 2, true}, {{"--version"}, 2, false},
        // clang-format on
    };
    for (const auto& c : cases) {
        Outcome outcome = RunToEnd(c.args);
        const std::string args = c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "");
        EXPECT_EQ(c.status, outcome.status) << args;
        if (c.args[0] == "--bogus") {
            EXPECT_TRUE(Contains(outcome.err, "unrecognized option '--bogus'"));
        }
        if (c.usageShown)
            EXPECT_EQ(usage, outcome.out) << args;
        else
            EXPECT_EQ(0u, outcome.out.find("server version: T")) << outcome.out;
    }
    EXPECT_FALSE(Exists(DaemonProcess::pidPath));
}

// A mistyped board name would leave the daemon driving the kernel's drivers,
// while the operator thinks it runs on the board named: it stops before
// anything opens or serves.
TEST_F(Startup, ABoardNameItDoesNotKnowStopsTheStart) {
    ExpectBoardRefused("Sim",
                       "halvoxd: HALVOXD_BOARD=Sim names no board this daemon knows (sim, or "
                       "unset for the board's own devices)");
}

TEST_F(Startup, AnnouncesItselfWritesThePidAndStatusFilesAndStopsOnSigterm) {
    const std::string tag = VersionTag();
    ASSERT_FALSE(tag.empty());
    ASSERT_TRUE(daemon.Start({"--port", "20001"}));
    ASSERT_TRUE(daemon.WaitFor("Starting server [" + tag + "], port=20001\n")) << daemon.Output();
    EXPECT_EQ(std::to_string(daemon.pid()), ReadFile(DaemonProcess::pidPath));
    ASSERT_TRUE(controller.Connect(port));
    EXPECT_EQ("success", Answer(Lgcp::Writer().Command(Lgcp::ping)));

    daemon.Signal(SIGUSR2);
    std::string status;
    for (int i = 0; i < 200 && !Contains(status, "AcceptorNet::OnSocketEvent"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        status = ReadFile(DaemonProcess::statusPath);
    }
    EXPECT_EQ(0u, status.find("server status information.")) << status;
    EXPECT_TRUE(Contains(status, "\nversion : " + tag + "\n")) << status;
    // Watched events; then SIGCHLD, bit 16 of the caught-signal mask, is caught.
    for (const std::string event :
         {"AcceptorNet::OnSocketEvent", "StrmProtocol::on_event", "ChildWaitService::OnChildEvent"})
        EXPECT_THAT(status, testing::ContainsRegex(event + " +\\| +POLLIN +\\|[^|]+\\| attached "));
    EXPECT_THAT(ReadFile("/proc/" + std::to_string(daemon.pid()) + "/status"),
                testing::ContainsRegex("SigCgt:\t[0-9a-f]{11}[13579bdf][0-9a-f]{4}\n"));

    ExpectCleanStop();
    EXPECT_TRUE(controller.SeesClose(1000));
}

// A status dump that cannot be written whole says so, and the loop goes on:
// a FIFO at the path without a reader must not hold it until one comes, one
// with a reader must not be fed the dump (only a regular file is the status
// file), and a full medium fails the write itself.
enum class DumpAt { FifoAlone, FifoWithReader, FullMedium };

class StatusDump : public DaemonTest, public testing::WithParamInterface<DumpAt> {};

TEST_P(StatusDump, ThatCannotBeWrittenWholeIsReportedAndHoldsNothing) {
    int reader = -1;
    if (GetParam() == DumpAt::FullMedium) {
        // One page, filled up: the file is made, but nothing fits in it.
        ASSERT_EQ(0, ::mount("none", "/var/log", "tmpfs", 0, "size=4k,mode=0755"));
        std::ofstream("/var/log/filler") << std::string(4096, 'x');
        ASSERT_EQ(4096u, std::filesystem::file_size("/var/log/filler"));
    } else {
        ASSERT_EQ(0, ::mkfifo(DaemonProcess::statusPath, 0644));
        if (GetParam() == DumpAt::FifoWithReader)
            reader = ::open(DaemonProcess::statusPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    StartAndConnect();
    daemon.Signal(SIGUSR2);
    EXPECT_TRUE(daemon.WaitFor("dump status error\n")) << daemon.Output();
    EXPECT_EQ("success", Answer(Lgcp::Writer().Command(Lgcp::ping)));
    if (reader >= 0) {
        char octet;
        EXPECT_GE(0, ::read(reader, &octet, 1)) << "the dump went into the FIFO";
        ::close(reader);
    }
    ExpectCleanStop();
}

std::string DumpAtName(const testing::TestParamInfo<DumpAt>& row) {
    switch (row.param) {
        case DumpAt::FifoAlone:
            return "AtAFifoAlone";
        case DumpAt::FifoWithReader:
            return "AtAFifoWithAReader";
        case DumpAt::FullMedium:
            break;
    }
    return "OnAFullMedium";
}

INSTANTIATE_TEST_SUITE_P(Startup, StatusDump,
                         testing::Values(DumpAt::FifoAlone, DumpAt::FifoWithReader,
                                         DumpAt::FullMedium),
                         DumpAtName);

TEST_F(Startup, SigtermRightAfterThePidFileAppearsStillEndsCleanly) {
    ASSERT_TRUE(daemon.Start({"--port", "20001"}));
    for (int i = 0; i < 5000 && !Exists(DaemonProcess::pidPath); ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    ASSERT_TRUE(Exists(DaemonProcess::pidPath));
    ExpectCleanStop();
}

// Started with descriptors 0-2 closed, the daemon keeps its log out of the
// files it opens: the pid file holds only the pid, and goes at the end.
TEST_F(Startup, StartedWithoutStandardDescriptorsKeepsItsPidFileClean) {
    daemon.closedStandardDescriptors = true;
    ASSERT_TRUE(daemon.Start({"--port", "20001"}));
    ASSERT_TRUE(controller.Connect(port));
    // Answered: the main loop runs, after the start-up's lines and the
    // watchdog's complaint were written.
    EXPECT_EQ("success", Answer(Lgcp::Writer().Command(Lgcp::ping)));
    EXPECT_EQ(std::to_string(daemon.pid()), ReadFile(DaemonProcess::pidPath));
    // Each of them is /dev/null, not the next file the daemon opened.
    for (int fd : {0, 1, 2})
        EXPECT_EQ("/dev/null", Target("/proc/" + std::to_string(daemon.pid()) + "/fd/" +
                                      std::to_string(fd)))
            << fd;
    ExpectCleanStop();
}

// Standard error a pipe nobody reads: the configuration's complaint, the
// first line the daemon writes there, fails without ending it.
TEST_F(Startup, AStandardErrorNobodyReadsDoesNotEndIt) {
    ASSERT_TRUE(DaemonProcess::WriteConfig("[traces]\nsignalling.varngw = maybe\n"));
    daemon.orphanedStandardError = true;
    ASSERT_TRUE(daemon.StartServing()) << daemon.Output();
    ASSERT_TRUE(controller.Connect(port));
    EXPECT_EQ("success", Answer(Lgcp::Writer().Command(Lgcp::ping)));
    ExpectCleanStop();
}

TEST_F(Startup, ConfigurationFileTracesAndAgents) {
    ASSERT_TRUE(DaemonProcess::WriteConfig(
        "[traces]\n"
        "signalling.hdlc = maybe\n"
        "monitoring.internal = yes\n"
        "[snmpagent]\n"
        "host = 10.0.0.9\n"
        "name = rack-agent\n"
        "[snmpagent]\n"
        "name = hostless\n"));
    ASSERT_TRUE(daemon.StartServing());
    EXPECT_TRUE(Contains(daemon.Err(), "traces: optional key \"signalling.hdlc\""))
        << daemon.Output();
    EXPECT_TRUE(
        Contains(daemon.Err(), "monitoring: SNMP agent \"rack-agent\" at 10.0.0.9 configured"))
        << daemon.Output();
    EXPECT_TRUE(Contains(daemon.Err(), "snmpagent: required key \"host\"")) << daemon.Output();
    EXPECT_FALSE(Contains(daemon.Output(), "hostless\" at")) << daemon.Output();
    ExpectCleanStop();
}

TEST_F(Startup, DaemonModeDetachesListensAndLogsToSyslog) {
    std::string why;
    if (!TestSupport::MountTmpfs("/dev", why, {"/dev/null"})) GTEST_SKIP() << why;
    SyslogSink syslog(SOCK_DGRAM, "/dev");
    // The daemon's own process is reparented to this one, so its exit is seen.
    ASSERT_EQ(0, ::prctl(PR_SET_CHILD_SUBREAPER, 1));
    // Made before the fork, the board's control socket is the daemon's own
    // process's to remove; a build without the simulated board makes none.
    const bool onBoard = daemon.environment["HALVOXD_BOARD"] == "sim";
    daemon.environment["HALVOXD_BOARD_CTL"] = BoardControl::path;
    ASSERT_TRUE(daemon.Start({"--port", "20001", "-D"}));
    const int parent = daemon.WaitExit();
    ASSERT_TRUE(WIFEXITED(parent));
    EXPECT_EQ(0, WEXITSTATUS(parent));
    for (int i = 0; i < 500 && ReadFile(DaemonProcess::pidPath).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const pid_t pid = std::atoi(ReadFile(DaemonProcess::pidPath).c_str());
    ASSERT_GT(pid, 0);
    EXPECT_NE(daemon.pid(), pid);
    ASSERT_TRUE(controller.Connect(port));
    EXPECT_EQ("success", Answer(Lgcp::Writer().Command(Lgcp::ping)));
    EXPECT_EQ(onBoard, Exists(BoardControl::path));

    bool started = false;
    for (int i = 0; i < 100 && !started; ++i)
        for (const std::string& line : syslog.waitFor(1, 50))
            started = started || (Contains(line, "hvx-") && Contains(line, "Starting server ["));
    EXPECT_TRUE(started);

    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(pid, ::waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(Exists(DaemonProcess::pidPath));
    EXPECT_FALSE(Exists(BoardControl::path));
}
