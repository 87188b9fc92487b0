#include "runtime/ChildWait.h"
#include "runtime/ChildWaitService.h"
#include "runtime/Multiplexer.h"
#include "runtime/Popen.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/DescriptorLimit.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <iterator>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using testing::HasSubstr;
using TestSupport::StreamCapture;

namespace {

ChildWait::Init childWaitInit;

pid_t Spawn(const char* command) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/bin/sh", "sh", "-c", command, nullptr);
        ::_exit(127);
    }
    return pid;
}

// True once the child has ended and waits to be reaped (it is left unreaped).
bool WaitZombie(pid_t pid) {
    siginfo_t info;
    while (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT) != 0)
        if (errno != EINTR) return false;
    return true;
}

// True when this process has no child at all, zombies included; reaps nothing.
bool NoChildLeft() {
    siginfo_t info;
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) < 0 && errno == ECHILD;
}

LoopDriver driver;

// A watch that records each status it is handed and the loop iteration.
struct Watcher {
    Watcher() { watch.Bind(this, &Watcher::OnExit); }
    void OnExit(int status) {
        statuses.push_back(status);
        iterations.push_back(driver.iterations);
        if (action) action();
    }
    ChildWait watch;
    std::vector<int> statuses;
    std::vector<unsigned> iterations;
    std::function<void()> action;
};

// Runs the loop until done() holds, at most a few seconds; returns its log.
std::string RunUntil(const std::function<bool()>& done) {
    StreamCapture capture(std::clog);
    driver.wait = 50;
    driver.probe = [&](unsigned) {
        if (done()) multiplexer.terminate();
    };
    driver.Run(100);
    return capture.str();
}

std::string Reaped(pid_t pid, int status) {
    return "terminate child process, pid=" + std::to_string(pid) +
           " status=" + std::to_string(status) + "\n";
}

// The service back as the program found it, idle, once a case is done: an
// active one would wake the loop of later cases and keep it from ever finding
// nothing to wait on.
class ChildWaitRestored : public ::testing::Test {
protected:
    void TearDown() override {
        ChildWait::Cleanup();
        ChildWait::Initialize();
    }
};

class ChildWaitTest : public ChildWaitRestored {
protected:
    void SetUp() override {
        ChildWait::Activate();
        ASSERT_TRUE(ChildWaitService::childWaitService->IsActive());
    }
};

}  // namespace

TEST_F(ChildWaitTest, TwoChildrenEndingBetweenWakeUpsReachTheirOwnWatches) {
    Watcher exited, killed;
    pid_t a = Spawn("exit 3");
    exited.watch.Attach(a);
    pid_t b = Spawn("exec sleep 100");
    killed.watch.Attach(b);
    ::kill(b, SIGKILL);
    ASSERT_TRUE(WaitZombie(a));
    ASSERT_TRUE(WaitZombie(b));
    RunUntil([&] { return exited.statuses.size() + killed.statuses.size() == 2; });
    EXPECT_EQ((std::vector<int>{768}), exited.statuses);
    EXPECT_EQ((std::vector<int>{9}), killed.statuses);
    EXPECT_EQ(exited.iterations, killed.iterations) << "both in one wake-up";
    EXPECT_FALSE(exited.watch.IsAttached());
}

TEST_F(ChildWaitTest, HandlerMayDestroyItsWatchOrAttachItToANewChild) {
    Watcher restarted;
    restarted.action = [&] {
        if (restarted.statuses.size() == 1) restarted.watch.Attach(Spawn("exit 1"));
    };
    restarted.watch.Attach(Spawn("exit 2"));
    auto gone = std::make_unique<Watcher>();
    gone->action = [&] { gone.reset(); };
    gone->watch.Attach(Spawn("exit 4"));
    RunUntil([&] { return restarted.statuses.size() == 2 && !gone; });
    EXPECT_EQ((std::vector<int>{512, 256}), restarted.statuses);
    EXPECT_EQ(nullptr, gone);
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ChildWaitTest, ExitsWithoutAWatchAreOnlyLoggedAndAttachMovesTheWatch) {
    Watcher moved;
    pid_t first = Spawn("exit 5");
    moved.watch.Attach(first);
    moved.watch.Attach(Spawn("exit 6"));  // once in the list, for the second child
    pid_t orphan = Spawn("exit 7");
    {
        Watcher early;
        early.watch.Attach(orphan);
    }  // destroyed before its child ends
    ASSERT_TRUE(WaitZombie(first));
    ASSERT_TRUE(WaitZombie(orphan));
    std::string log = RunUntil([&] { return moved.statuses.size() == 1 && NoChildLeft(); });
    EXPECT_EQ((std::vector<int>{6 << 8}), moved.statuses);
    EXPECT_THAT(log, HasSubstr(Reaped(first, 1280)));
    EXPECT_THAT(log, HasSubstr(Reaped(orphan, 1792)));
}

TEST_F(ChildWaitTest, SignalHandlerNeverBlocksAndKeepsErrno) {
    // Far more wake-ups than the socket pair can queue: the handler must
    // neither block nor change errno for the code it interrupted.
    for (int i = 0; i < 2000; ++i) {
        errno = 1234;
        ChildWaitService::SigChldHandlerWrapper(SIGCHLD, nullptr, nullptr);
        ASSERT_EQ(1234, errno);
    }
    // One wake-up still reaps a child that ends now.
    Watcher w;
    w.watch.Attach(Spawn("exit 9"));
    RunUntil([&] { return w.statuses.size() == 1; });
    EXPECT_EQ((std::vector<int>{9 << 8}), w.statuses);
}

using ChildWaitInheritance = ChildWaitRestored;

TEST_F(ChildWaitInheritance, ChildrenInheritNoDescriptorOfOurs) {
    // The descriptors the test runner leaves open across exec, beside 0, 1
    // and 2, are all a child may hold once the service is active.
    std::set<std::string> expected{"0", "1", "2"};
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const std::string name = entry.path().filename();
        if (!(::fcntl(std::stoi(name), F_GETFD) & FD_CLOEXEC)) expected.insert(name);
    }
    ChildWait::Activate();
    ASSERT_TRUE(ChildWaitService::childWaitService->IsActive());

    FILE* out = Popen("ls /proc/$$/fd", "r");
    ASSERT_NE(nullptr, out);
    std::set<std::string> inherited;
    char line[64];
    while (std::fgets(line, sizeof line, out))
        inherited.insert(std::string(line, std::strcspn(line, "\n")));
    EXPECT_EQ(0, Pclose(out));
    EXPECT_EQ(expected, inherited);
}

TEST_F(ChildWaitTest, PopenKeepsItsStatusWhenTheServiceReapsFirst) {
    FILE* out = Popen("echo started; exit 5", "r");
    ASSERT_NE(nullptr, out);
    char line[32] = "";
    ASSERT_NE(nullptr, std::fgets(line, sizeof line, out));
    EXPECT_STREQ("started\n", line);
    EXPECT_THAT(RunUntil(NoChildLeft), HasSubstr(" status=1280\n")) << "the service reaped it";
    EXPECT_EQ(1280, Pclose(out));

    // Not reaped yet: Pclose waits for it itself.
    TestSupport::TempDir dir;
    FILE* in = Popen(("cat > " + (dir / "written")).c_str(), "w");
    ASSERT_NE(nullptr, in);
    std::fputs("hello", in);
    EXPECT_EQ(0, Pclose(in));
    EXPECT_EQ("hello", TestSupport::ReadFile(dir / "written"));

    errno = 0;
    EXPECT_EQ(nullptr, Popen("true", "rw"));
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ(-1, Pclose(stdin)) << "not a stream of ours";
}

using ChildWaitShortOfDescriptors = ChildWaitRestored;

// Without the wake-up pair, or without the watch's own copy of its read end,
// the service stays wholly inactive, with one line and no descriptor or
// handler left behind: a wake-up end that nothing reads would leave every
// ended child unreaped. Once descriptors are back it can be activated.
TEST_F(ChildWaitShortOfDescriptors, AnActivationThatCannotWatchLeavesTheServiceInactive) {
    auto handler = [] {
        struct sigaction now;
        ::sigaction(SIGCHLD, nullptr, &now);
        return now.sa_handler;
    };
    auto descriptors = [] {
        auto entries = std::filesystem::directory_iterator("/proc/self/fd");
        return std::distance(begin(entries), end(entries));
    };
    // Activated and given up, and a line written, while descriptors are left:
    // the sanitizers see the path.
    ChildWait::Activate();
    ChildWait::Cleanup();
    ChildWait::Initialize();
    {
        StreamCapture warm(std::cerr);
        std::cerr << std::endl;
    }
    ASSERT_EQ(SIG_DFL, handler());
    for (unsigned spare : {1u, 2u}) {  // the pair cannot be made; the watch cannot copy it
        const auto before = descriptors();
        StreamCapture errors(std::cerr);
        {
            TestSupport::DescriptorLimit limit(spare);
            ChildWait::Activate();
        }
        EXPECT_EQ("ChildWaitService: initialize fails\n", errors.str()) << spare;
        EXPECT_FALSE(ChildWaitService::childWaitService->IsActive()) << spare;
        EXPECT_EQ(SIG_DFL, handler()) << spare;
        EXPECT_EQ(before, descriptors()) << spare;
    }
    ChildWait::Activate();
    ASSERT_TRUE(ChildWaitService::childWaitService->IsActive());
    Watcher w;
    w.watch.Attach(Spawn("exit 3"));
    RunUntil([&] { return w.statuses.size() == 1; });
    EXPECT_EQ((std::vector<int>{3 << 8}), w.statuses);
}

using ChildWaitDeathTest = ChildWaitTest;

TEST_F(ChildWaitDeathTest, CleanupRestoresSigchldBeforeTheServiceGoes) {
    EXPECT_EXIT(
        {
            ChildWait::Cleanup();
            struct sigaction now;
            ::sigaction(SIGCHLD, nullptr, &now);
            bool restored = now.sa_handler == SIG_DFL && !ChildWaitService::childWaitService;
            // Watches still work, without a service, and destroy cleanly.
            ChildWait late;
            late.Attach(1);
            late.Detach();
            ::_exit(restored ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
