#include "runtime/Dpc.h"
#include "runtime/Event.h"
#include "runtime/Multiplexer.h"
#include "runtime/MuxClock.h"
#include "runtime/Timer.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "runtime/tests/TestPipe.h"
#include "tests/support/StreamCapture.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using TestSupport::StreamCapture;

namespace {

// Records each dispatch of its Event and can run an action from within it.
struct Watcher {
    explicit Watcher(std::vector<std::string>& log, const std::string& id) : trace(log), name(id) {
        event.Bind<Watcher>(name, &Watcher::OnEvent, this);
    }
    void OnEvent(int, short revents) {
        trace.push_back(name);
        seen = revents;
        if (action) action();
    }
    std::vector<std::string>& trace;
    std::string name;
    short seen = 0;
    std::function<void()> action;
    Event event;
};

struct Flag {
    bool fired = false;
    void Set() { fired = true; }
};

struct Stopper {
    void Stop() { multiplexer.terminate(); }
    void StopTimer(Timer*) { multiplexer.terminate(); }
};

std::int64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 since)
        .count();
}

}  // namespace

using LoopDeathTest = ::testing::Test;

TEST_F(LoopDeathTest, NothingToWaitOnAbortsWithOrWithoutWatchdog) {
    EXPECT_DEATH(multiplexer.run(false, true), "multiplexer: system hang detected!!!");
    // The watchdog's one-second cap does not hide the hang.
    EXPECT_DEATH(multiplexer.run(true, true), "multiplexer: system hang detected!!!");
}

TEST(Loop, TimerDueNowWithoutDescriptorsIsATimeoutOfZero) {
    // A deferred call arms a timer for the very millisecond the timers were
    // fired in: the wait is 0, which must be a poll without waiting, not a
    // loop with nothing to wait on.
    FakeClock clock(5000);
    Stopper stopper;
    Timer timer;
    Dpc arm;
    struct Arm {
        Timer* timer;
        Stopper* stopper;
        Dpc* self;
        void Run() {
            timer->set<Stopper>(0, &Stopper::Stop, stopper);
            self->Deactivate();
        }
    } arming{&timer, &stopper, &arm};
    arm.Bind<Arm>(&arming, &Arm::Run);
    arm.Activate();
    multiplexer.run(false, true);
    EXPECT_FALSE(timer.is_running());
}

TEST(Loop, StopRequestBeforeRunIsKeptAndUsedUp) {
    Timer due;
    Flag flag;
    due.set<Flag>(0, &Flag::Set, &flag);
    multiplexer.terminate();
    {
        StreamCapture log(std::clog);
        multiplexer.run(false, true);
        EXPECT_EQ("Mux: terminating...\n", log.str());
    }
    EXPECT_FALSE(flag.fired) << "no timer fires once a stop is requested";
    // The request was served: the next run goes on until the next one.
    LoopDriver driver;
    EXPECT_EQ(3u, driver.Run(3));
    EXPECT_TRUE(flag.fired);
}

TEST(Loop, TerminateFromHandlerStopsThePassAndTheRestWaitForTheNextRun) {
    std::vector<std::string> trace;
    TestPipe p1, p2, p3;
    Watcher a(trace, "a"), b(trace, "b"), c(trace, "c");
    a.event.Schedule(p1.in, POLLIN);
    b.event.Schedule(p2.in, POLLIN);
    c.event.Schedule(p3.in, POLLIN);
    p1.Fill();
    p2.Fill();
    p3.Fill();
    Timer later;
    Flag flag;
    a.action = [&] {
        later.set<Flag>(0, &Flag::Set, &flag);
        multiplexer.terminate();
    };
    {
        StreamCapture log(std::clog);
        multiplexer.run(false, true);
        EXPECT_EQ("Mux: terminating...\n", log.str());
    }
    EXPECT_EQ((std::vector<std::string>{"a"}), trace);
    EXPECT_FALSE(flag.fired);

    // b and c were left undispatched; they are still watched.
    a.action = nullptr;
    trace.clear();
    LoopDriver driver;
    driver.Run(2);
    EXPECT_TRUE(flag.fired);
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}),
              std::vector<std::string>(trace.begin(), trace.begin() + 3));
}

namespace {
volatile std::sig_atomic_t sigtermSeen = 0;
void OnSigterm(int) {
    sigtermSeen = 1;
    multiplexer.terminate();
}
}  // namespace

TEST(Loop, SigtermDuringPollEndsRun) {
    struct sigaction action {};
    action.sa_handler = OnSigterm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: poll() returns with EINTR
    ASSERT_EQ(0, ::sigaction(SIGTERM, &action, nullptr));

    // Something to wait on for ever: a pipe that nobody writes, no timers.
    std::vector<std::string> trace;
    TestPipe idle;
    Watcher w(trace, "idle");
    w.event.Schedule(idle.in, POLLIN);
    // A guard that fails the test instead of hanging it.
    Timer guard;
    Stopper stopper;
    guard.set<Stopper>(20000, &Stopper::Stop, &stopper);

    pid_t parent = ::getpid();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::usleep(300 * 1000);
        ::kill(parent, SIGTERM);
        ::_exit(0);
    }
    auto start = std::chrono::steady_clock::now();
    multiplexer.run(false, true);
    std::int64_t took = ElapsedMs(start);
    ::waitpid(child, nullptr, 0);
    ::signal(SIGTERM, SIG_DFL);
    EXPECT_TRUE(sigtermSeen);
    EXPECT_LT(took, 10000);
    EXPECT_TRUE(trace.empty()) << "an interrupted poll dispatches nobody";
}

TEST(Loop, EventsReachTheirOwnHandlerWhenAnotherLeavesBeforePoll) {
    // The last deferred-call pass before poll() releases the first handler's
    // descriptor: the second must still get its own events, not the first's.
    std::vector<std::string> trace;
    TestPipe quiet, busy;
    Watcher a(trace, "a"), b(trace, "b");
    a.event.Schedule(quiet.in, POLLIN);
    b.event.Schedule(busy.in, POLLIN);
    busy.Fill();
    b.action = [] { multiplexer.terminate(); };
    unsigned passes = 0;
    struct Leave {
        unsigned* passes;
        Event* event;
        void Run() {
            if (++*passes == 2) event->Release();
        }
    } leave{&passes, &a.event};
    Dpc dpc;
    dpc.Bind<Leave>(&leave, &Leave::Run);
    dpc.Activate();
    multiplexer.run(false, true);
    EXPECT_EQ((std::vector<std::string>{"b"}), trace);
    EXPECT_EQ(POLLIN, b.seen);
}

TEST(Loop, WaitBeyondTwoHoursIsReportedAndEveryTimerMovesToOneSecond) {
    // A three-hour timer is taken as a broken expiry: four lines on the error
    // stream, every timer re-armed one second ahead, and that iteration polls
    // for one second even without the watchdog.
    TestPipe idle;
    std::vector<std::string> trace;
    Watcher w(trace, "idle");
    w.event.Schedule(idle.in, POLLIN);
    Stopper stopper;
    Timer far, farther;
    Flag flag;
    far.set<Flag>(3 * 3600 * 1000, &Flag::Set, &flag);
    farther.set<Stopper>(4 * 3600 * 1000, &Stopper::StopTimer, &stopper);
    std::string errors;
    auto start = std::chrono::steady_clock::now();
    {
        StreamCapture err(std::cerr);
        multiplexer.run(false, true);
        errors = err.str();
    }
    std::int64_t took = ElapsedMs(start);
    EXPECT_GE(took, 900);
    EXPECT_LT(took, 5000);
    const std::string head =
        "******** RUNTIME ERROR CONDITION *************"
        "Multiplexer::timers_schedule() invalid wait time detected!\n";
    ASSERT_EQ(head, errors.substr(0, head.size())) << errors;
    unsigned now = 0, first = 0, count = 0;
    char end = 0;
    ASSERT_EQ(4, std::sscanf(errors.c_str() + head.size(), "now = %u\nfirst = %u\ncount = %u%c",
                             &now, &first, &count, &end))
        << errors;
    EXPECT_EQ(2u, count);
    EXPECT_EQ('\n', end);
    EXPECT_EQ(4, std::count(errors.begin(), errors.end(), '\n')) << errors;
    EXPECT_NEAR(3 * 3600 * 1000, double(std::uint32_t(first - now)), 50);
    // Both fired at the re-armed expiry, in the order they were armed.
    EXPECT_TRUE(flag.fired);
}

TEST(Loop, TimeCacheHoldsTheClockAndBoundsTheTimerPass) {
    // With the cache the clock stands still within an iteration; a timer that
    // re-arms itself without delay must not spin one timer pass for ever.
    LoopDriver driver;
    struct Again {
        LoopDriver* driver;
        Timer timer;
        std::vector<unsigned> firedIn;
        void Fire() {
            firedIn.push_back(driver->iterations);
            if (firedIn.size() < 5) timer.set<Again>(0, &Again::Fire, this);
        }
    } again{&driver, {}, {}};
    again.timer.set<Again>(0, &Again::Fire, &again);
    std::vector<std::uint32_t> clockSeen;
    driver.probe = [&](unsigned) {
        clockSeen.push_back(Mux::microseconds());
        ::usleep(2000);
        clockSeen.push_back(Mux::microseconds());
    };
    EXPECT_EQ(8u, driver.Run(8, false, true));
    // One firing per iteration (the first before the driver was asked).
    EXPECT_EQ((std::vector<unsigned>{0, 1, 2, 3, 4}), again.firedIn);
    for (std::size_t i = 0; i + 1 < clockSeen.size(); i += 2)
        EXPECT_EQ(clockSeen[i], clockSeen[i + 1]);
    EXPECT_TRUE(Mux::g_tv_time.is_zero()) << "the clocks read live again after run";
}

TEST(Loop, DuplicateAttachAndStrayDetachAreReportedAndChangeNothing) {
    TestPipe p;
    std::vector<std::string> trace;
    Watcher w(trace, "Watcher::OnEvent");
    w.event.Schedule(p.in, POLLIN);
    StreamCapture err(std::cerr);
    multiplexer.attach(&w.event);
    EXPECT_EQ("duplicate multiplexer attach \"Watcher::OnEvent\" ignored.\n", err.str());
    Event stray;
    multiplexer.detach(&stray);
    EXPECT_NE(std::string::npos, err.str().find("indvalid Multiplexer::detach Unknown\n"));
    EXPECT_TRUE(multiplexer.event_exists(&w.event));
    EXPECT_FALSE(multiplexer.event_exists(&stray));
}

namespace {
struct Plugin : TimerPoolPlugin {
    explicit Plugin(std::int32_t w) : wait(w) {}
    std::int32_t timerPoll() override {
        ++asked;
        if (action) action();
        return wait;
    }
    std::int32_t wait;
    unsigned asked = 0;
    std::function<void()> action;
};
}  // namespace

TEST(Loop, PluginsLeavingOrJoiningDuringTheScan) {
    Plugin first(-1), second(-1), third(-1);
    auto late = std::make_unique<Plugin>(-1);
    first.timerHook();
    second.timerHook();
    first.timerHook();  // once only
    // The first plugin unhooks the second before its turn and hooks the
    // third, which is first asked in the next scan.
    first.action = [&] {
        if (first.asked == 1) {
            second.timerUnhook();
            third.timerHook();
        }
    };
    LoopDriver driver;
    driver.Run(3);
    EXPECT_EQ(3u, first.asked);
    EXPECT_EQ(0u, second.asked);
    EXPECT_EQ(2u, third.asked);
    // A plugin destroyed while hooked leaves the loop.
    late->timerHook();
    late.reset();
    driver.Run(1);
    EXPECT_EQ(4u, first.asked);
}

TEST(Loop, PluginWaitBoundsThePoll) {
    // A plugin answering 50 ms wakes a loop that has only an idle descriptor.
    TestPipe idle;
    std::vector<std::string> trace;
    Watcher w(trace, "idle");
    w.event.Schedule(idle.in, POLLIN);
    Plugin soon(50);
    soon.timerHook();
    auto start = std::chrono::steady_clock::now();
    LoopDriver driver;
    driver.wait = -1;
    driver.Run(4);
    std::int64_t took = ElapsedMs(start);
    EXPECT_GE(took, 140);
    EXPECT_LT(took, 2000);
}
