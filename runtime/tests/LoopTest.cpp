// The main loop and its descriptor events: dispatch order, handlers that
// change the loop from inside a pass, stopping, and the poll time-out.
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
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using TestSupport::StreamCapture;
using Trace = std::vector<std::string>;

namespace {

// Watches one descriptor under its own name, records each dispatch into a
// shared trace and can run an action from within it.
struct Watcher {
    Watcher(Trace& log, const std::string& id) : trace(log), name(id) {
        event.Bind<Watcher>(name, &Watcher::OnEvent, this);
    }
    void OnEvent(int fd, short revents) {
        trace.push_back(name);
        lastFd = fd;
        seen = revents;
        ++calls;
        if (action) action();
    }
    Trace& trace;
    std::string name;
    int lastFd = -2;
    short seen = -1;
    unsigned calls = 0;
    std::function<void()> action;
    Event event;
};

struct Flag {
    bool fired = false;
    void Set() { fired = true; }
};

struct Stopper {
    void Stop() { multiplexer.terminate(); }
};

// Any test code as a member function, for timers and deferred calls.
struct Call {
    std::function<void()> fn;
    void Run() { fn(); }
};

// Releases the event from the second pass of deferred calls of the next
// iteration: the one after the poll set is built, just before poll().
class ReleaseBeforePoll {
public:
    explicit ReleaseBeforePoll(Event& event)
        : release{[this, &event] {
              if (++passes == 2) event.Release();
          }} {
        leave.Bind<Call>(&release, &Call::Run);
        leave.Activate();
    }

private:
    unsigned passes = 0;
    Call release;
    Dpc leave;
};

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) >= 0; }

std::int64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 since)
        .count();
}

// Runs the loop until it is stopped; returns what it logged.
std::string RunLogged() {
    StreamCapture log(std::clog);
    multiplexer.run(false, true);
    return log.str();
}

// Runs n iterations that leave the poll time-out to the descriptors.
void Poll(unsigned n, std::int32_t wait = -1) {
    LoopDriver driver;
    driver.wait = wait;
    driver.Run(n);
}

}  // namespace

TEST(LoopDeathTest, NothingToWaitOnAbortsWithOrWithoutWatchdog) {
    EXPECT_DEATH(multiplexer.run(false, true), "multiplexer: system hang detected!!!");
    // The watchdog's one-second cap does not hide the hang.
    EXPECT_DEATH(multiplexer.run(true, true), "multiplexer: system hang detected!!!");
}

TEST(Loop, StopRequestBeforeRunIsKeptAndUsedUp) {
    Timer due;
    Flag flag;
    due.set<Flag>(0, &Flag::Set, &flag);
    multiplexer.terminate();
    EXPECT_EQ("Mux: terminating...\n", RunLogged());
    EXPECT_FALSE(flag.fired) << "no timer fires once a stop is requested";
    // The request was served: the next run goes on until the next one.
    LoopDriver driver;
    EXPECT_EQ(3u, driver.Run(3));
    EXPECT_TRUE(flag.fired);
}

TEST(Loop, TerminateFromHandlerStopsThePassAndTheRestWaitForTheNextRun) {
    Trace trace;
    TestPipe p1, p2, p3;
    Watcher a(trace, "a"), b(trace, "b"), c(trace, "c");
    for (auto [w, p] : {std::pair{&a, &p1}, {&b, &p2}, {&c, &p3}}) {
        w->event.Schedule(p->in, POLLIN);
        p->Fill();
    }
    Timer later;
    Flag flag;
    a.action = [&] {
        later.set<Flag>(0, &Flag::Set, &flag);
        multiplexer.terminate();
    };
    EXPECT_EQ("Mux: terminating...\n", RunLogged());
    EXPECT_EQ(Trace{"a"}, trace);
    EXPECT_FALSE(flag.fired);

    // b and c were left undispatched; they are still watched.
    a.action = nullptr;
    trace.clear();
    LoopDriver driver;
    driver.Run(2);
    EXPECT_TRUE(flag.fired);
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ((Trace{"a", "b", "c"}), Trace(trace.begin(), trace.begin() + 3));
}

TEST(Loop, EventsReachTheirOwnHandlerWhenAnotherLeavesBeforePoll) {
    // The last deferred-call pass before poll() releases the first handler's
    // descriptor: the second must still get its own events, not the first's.
    Trace trace;
    TestPipe quiet, busy;
    Watcher a(trace, "a"), b(trace, "b");
    a.event.Schedule(quiet.in, POLLIN);
    b.event.Schedule(busy.in, POLLIN);
    busy.Fill();
    b.action = [] { multiplexer.terminate(); };
    ReleaseBeforePoll leave(a.event);
    multiplexer.run(false, true);
    EXPECT_EQ(Trace{"b"}, trace);
    EXPECT_EQ(POLLIN, b.seen);
}

TEST(Loop, HandlerThatLeavesBeforePollIsNotPolledInThatRound) {
    // The last deferred-call pass before poll() releases a readable
    // descriptor: the poll already built must not watch it, so only the
    // timer 200 ms ahead on the test clock ends the wait.
    FakeClock clock;
    Trace trace;
    TestPipe readable;
    Watcher w(trace, "w");
    w.event.Schedule(readable.in, POLLIN);
    readable.Fill();
    Timer ahead;
    Call nothing{[] {}};
    ahead.set<Call>(200, &Call::Run, &nothing);
    ReleaseBeforePoll leave(w.event);
    LoopDriver driver;
    driver.wait = -1;
    const auto start = std::chrono::steady_clock::now();
    driver.Run(2);
    EXPECT_GE(ElapsedMs(start), 190);
    EXPECT_TRUE(trace.empty());
}

TEST(Loop, WaitBeyondTwoHoursIsReportedAndEveryTimerMovesToOneSecond) {
    // A three-hour timer is taken as a broken expiry: four lines on the error
    // stream, every timer re-armed one second ahead, and that iteration polls
    // for one second even without the watchdog.
    TestPipe idle;
    Trace trace;
    Watcher w(trace, "idle");
    w.event.Schedule(idle.in, POLLIN);
    Stopper stopper;
    Timer far, farther;
    Flag flag;
    far.set<Flag>(3 * 3600 * 1000, &Flag::Set, &flag);
    farther.set<Stopper>(4 * 3600 * 1000, &Stopper::Stop, &stopper);
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
    EXPECT_TRUE(flag.fired) << "both fire at the re-armed expiry";
}

TEST(Loop, TimeCacheHoldsTheClockAndBoundsTheTimerPass) {
    // With the cache the clock stands still within an iteration; a timer that
    // re-arms itself without delay must not spin one timer pass for ever.
    LoopDriver driver;
    Timer timer;
    std::vector<unsigned> firedIn;
    Call fire;
    fire.fn = [&] {
        firedIn.push_back(driver.iterations);
        if (firedIn.size() < 5) timer.set<Call>(0, &Call::Run, &fire);
    };
    timer.set<Call>(0, &Call::Run, &fire);
    std::vector<std::uint32_t> clockSeen;
    driver.probe = [&](unsigned) {
        clockSeen.push_back(Mux::microseconds());
        ::usleep(2000);
        clockSeen.push_back(Mux::microseconds());
    };
    EXPECT_EQ(8u, driver.Run(8, false, true));
    // One firing per iteration (the first before the driver was asked).
    EXPECT_EQ((std::vector<unsigned>{0, 1, 2, 3, 4}), firedIn);
    for (std::size_t i = 0; i + 1 < clockSeen.size(); i += 2)
        EXPECT_EQ(clockSeen[i], clockSeen[i + 1]);
    EXPECT_TRUE(Mux::g_tv_time.is_zero()) << "the clocks read live again after run";
}

TEST(Loop, HandlersAttachOnceAndLeaveTheLoopWhenDestroyed) {
    struct Bare : EventHandler {
        void shedule_event(pollfd&) override {}
        void svc_event(short) override {}
        std::string event_name() const override { return "Bare::OnEvent"; }
    };
    auto* bare = new Bare;
    bare->mux_attach();
    {
        StreamCapture err(std::cerr);
        bare->mux_attach();
        multiplexer.attach(bare);
        Event stray;
        multiplexer.detach(&stray);
        EXPECT_EQ(
            "duplicate multiplexer attach \"Bare::OnEvent\" ignored.\n"
            "indvalid Multiplexer::detach Unknown\n",
            err.str());
        EXPECT_FALSE(multiplexer.event_exists(&stray));
    }
    EXPECT_TRUE(multiplexer.event_exists(bare));
    delete bare;
    Poll(2, 0);  // a handler left behind would be used after free
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

TEST(Event, ScheduleWatchesItsOwnCloseOnExecDuplicate) {
    Trace trace;
    Watcher o(trace, "o");
    TestPipe first, second;
    o.event.Schedule(first.in, POLLIN);
    int firstDup = o.event.lowlevel_fd();
    EXPECT_NE(first.in.lowlevel_fd(), firstDup);
    EXPECT_EQ(FD_CLOEXEC, ::fcntl(firstDup, F_GETFD) & FD_CLOEXEC);
    o.event.Schedule(second.in, POLLIN);
    EXPECT_TRUE(IsOpen(first.in.lowlevel_fd())) << "the caller keeps its descriptor";
    second.Fill();
    Poll(2);
    // Attached once, with the second descriptor.
    ASSERT_EQ(1u, o.calls);
    EXPECT_EQ(o.event.lowlevel_fd(), o.lastFd);

    int dup = o.event.lowlevel_fd();
    o.event.Schedule(Fd(), POLLIN);  // a closed Fd stops the watch
    EXPECT_FALSE(o.event.IsActive());
    EXPECT_FALSE(IsOpen(dup));
    EXPECT_FALSE(multiplexer.event_exists(&o.event));
    errno = 0;
    EXPECT_EQ(-1, o.event.Release());
    EXPECT_EQ(EBADF, errno);
    EXPECT_TRUE(o.event.IsBound()) << "the handler stays for the next watch";
}

TEST(Event, EveryHandlerIsCalledAfterAWakeUpAndCountsOnlyItsRequestedEvents) {
    Trace trace;
    Watcher ready(trace, "ready"), quiet(trace, "quiet"), hungUp(trace, "hungUp");
    Event mute;  // unbound: polled and counted, calls nothing
    TestPipe a, b, c, d;
    ready.event.Schedule(a.in, POLLIN);
    quiet.event.Schedule(b.in, POLLIN);
    hungUp.event.Schedule(c.in, POLLIN);
    mute.Schedule(d.in, POLLIN);
    a.Fill();
    c.Fill();
    c.out.close();  // POLLIN|POLLHUP
    d.Fill();
    Poll(2);
    EXPECT_EQ((Trace{"ready", "quiet", "hungUp"}), trace);
    EXPECT_EQ(0, quiet.seen);
    EXPECT_EQ(0u, quiet.event.GetCount());
    EXPECT_EQ(POLLIN | POLLHUP, hungUp.seen);
    EXPECT_EQ(1u, hungUp.event.GetCount());
    EXPECT_EQ(1u, ready.event.GetCount());
    EXPECT_EQ(1u, mute.GetCount());
}

TEST(Event, HandlerMayDestroyItsOwnEventAnotherOneOrAddNewOnes) {
    Trace trace;
    TestPipe p1, p2, p3, p4;
    auto self = std::make_unique<Watcher>(trace, "self");
    auto killer = std::make_unique<Watcher>(trace, "killer");
    auto victim = std::make_unique<Watcher>(trace, "victim");
    auto added = std::make_unique<Watcher>(trace, "added");
    self->event.Schedule(p1.in, POLLIN);
    killer->event.Schedule(p2.in, POLLIN);
    victim->event.Schedule(p3.in, POLLIN);
    for (TestPipe* p : {&p1, &p2, &p3, &p4}) p->Fill();
    self->action = [&] { self.reset(); };
    killer->action = [&] {
        victim.reset();
        added->event.Schedule(p4.in, POLLIN);
        killer->action = nullptr;
    };
    Poll(3);
    // First pass: self leaves, killer removes victim and adds a watch that
    // joins from the next iteration on.
    EXPECT_EQ((Trace{"self", "killer", "killer", "added"}), trace);
    EXPECT_EQ(nullptr, self);
    EXPECT_EQ(nullptr, victim);
}

TEST(Event, SetEventsTakesEffectFromTheNextIteration) {
    Trace trace;
    Watcher o(trace, "o");
    TestPipe p;
    o.event.Schedule(p.out, 0);  // the write end is always writable
    o.event.SetEvents(POLLOUT);
    o.action = [&] { o.event.SetEvents(0); };
    Poll(4, 20);
    // Woken by POLLOUT once; afterwards nothing is requested and the loop
    // only wakes on its time-outs, which dispatch nobody.
    EXPECT_EQ(1u, o.calls);
    EXPECT_EQ(POLLOUT, o.seen);
}

TEST(Event, BindReplacesTheHandlerAndKeepsTheSameOne) {
    Trace trace;
    Watcher first(trace, "first"), second(trace, "second");
    Event e;
    auto* h = new Event::THandler<Watcher>(&Watcher::OnEvent, &first);
    e.Bind(h);
    e.Bind(h);  // the same one again: kept, not deleted
    e.Bind<Watcher>("Second", &Watcher::OnEvent, &second);
    EXPECT_EQ("Second", e.event_name());
    TestPipe p;
    e.Schedule(p.in, POLLIN);
    p.Fill();
    Poll(2);
    EXPECT_EQ(Trace{"second"}, trace);
    e.UnBind();
    EXPECT_FALSE(e.IsBound());
}
