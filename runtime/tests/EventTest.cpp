#include "runtime/Event.h"
#include "runtime/Multiplexer.h"
#include "runtime/tests/LoopDriver.h"
#include "runtime/tests/TestPipe.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) >= 0; }

// An owner that watches one descriptor and records every call.
struct Owner {
    explicit Owner(std::vector<std::string>& log, std::string id)
        : trace(log), name(std::move(id)) {
        event.Bind<Owner>("Owner::OnEvent", &Owner::OnEvent, this);
    }
    void OnEvent(int fd, short revents) {
        trace.push_back(name);
        lastFd = fd;
        lastRevents = revents;
        ++calls;
        if (action) action();
    }
    std::vector<std::string>& trace;
    std::string name;
    int lastFd = -2;
    short lastRevents = -1;
    unsigned calls = 0;
    std::function<void()> action;
    Event event;
};

}  // namespace

TEST(Event, FreshEventAndBareHandler) {
    Event e;
    EXPECT_EQ("Unknown", e.event_name());
    EXPECT_TRUE(e.is_named());
    EXPECT_FALSE(e.IsActive());
    EXPECT_EQ(-1, e.lowlevel_fd());
    EXPECT_EQ(0u, e.GetCount());
    EXPECT_FALSE(e.IsBound());
    errno = 0;
    EXPECT_EQ(-1, e.Release());
    EXPECT_EQ(EBADF, errno);

    struct Bare : EventHandler {
        void shedule_event(pollfd&) override {}
        void svc_event(short) override {}
    } bare;
    EXPECT_EQ("unknown", bare.event_name());
    EXPECT_FALSE(bare.is_named());
    bare.mux_detach();  // not attached: nothing happens
    bare.mux_attach();
    bare.mux_attach();
    EXPECT_TRUE(multiplexer.event_exists(&bare));
}  // the handler leaves the loop as it is destroyed

TEST(Event, ScheduleWatchesItsOwnDuplicate) {
    std::vector<std::string> trace;
    Owner o(trace, "o");
    TestPipe first, second;
    o.event.Schedule(first.in, POLLIN);
    int firstDup = o.event.lowlevel_fd();
    EXPECT_NE(first.in.lowlevel_fd(), firstDup);
    EXPECT_EQ(FD_CLOEXEC, ::fcntl(firstDup, F_GETFD) & FD_CLOEXEC);
    o.event.Schedule(second.in, POLLIN);
    EXPECT_TRUE(IsOpen(first.in.lowlevel_fd())) << "the caller keeps its descriptor";
    EXPECT_TRUE(o.event.IsActive());
    second.Fill();
    LoopDriver driver;
    driver.wait = -1;
    driver.Run(2);
    // Attached once, with the second descriptor.
    ASSERT_EQ(1u, o.calls);
    EXPECT_EQ(o.event.lowlevel_fd(), o.lastFd);
    EXPECT_EQ(POLLIN, o.lastRevents);

    int dup = o.event.lowlevel_fd();
    o.event.Schedule(Fd(), POLLIN);  // a closed Fd stops the watch
    EXPECT_FALSE(o.event.IsActive());
    EXPECT_FALSE(IsOpen(dup));
    EXPECT_FALSE(multiplexer.event_exists(&o.event));
}

TEST(Event, EveryHandlerIsCalledAfterAWakeUpAndCountsOnlyItsRequestedEvents) {
    std::vector<std::string> trace;
    Owner ready(trace, "ready"), quiet(trace, "quiet"), hungUp(trace, "hungUp");
    TestPipe a, b, c;
    ready.event.Schedule(a.in, POLLIN);
    quiet.event.Schedule(b.in, POLLIN);
    hungUp.event.Schedule(c.in, POLLIN);
    a.Fill();
    c.Fill();
    c.out.close();  // POLLIN|POLLHUP
    LoopDriver driver;
    driver.wait = -1;
    driver.Run(2);
    EXPECT_EQ((std::vector<std::string>{"ready", "quiet", "hungUp"}), trace);
    EXPECT_EQ(0, quiet.lastRevents);
    EXPECT_EQ(0u, quiet.event.GetCount());
    EXPECT_EQ(POLLIN | POLLHUP, hungUp.lastRevents);
    EXPECT_EQ(1u, hungUp.event.GetCount());
    EXPECT_EQ(1u, ready.event.GetCount());
}

TEST(Event, MuteEventIsPolledAndCountedButCallsNothing) {
    Event mute;
    TestPipe p;
    mute.Schedule(p.in, POLLIN);
    p.Fill();
    LoopDriver driver;
    driver.wait = -1;
    driver.Run(3);
    EXPECT_EQ(2u, mute.GetCount());
}

TEST(Event, HandlerMayDestroyItsOwnEventAnotherOneOrAddNewOnes) {
    std::vector<std::string> trace;
    TestPipe p1, p2, p3, p4;
    auto self = std::make_unique<Owner>(trace, "self");
    auto killer = std::make_unique<Owner>(trace, "killer");
    auto victim = std::make_unique<Owner>(trace, "victim");
    auto added = std::make_unique<Owner>(trace, "added");
    self->event.Schedule(p1.in, POLLIN);
    killer->event.Schedule(p2.in, POLLIN);
    victim->event.Schedule(p3.in, POLLIN);
    p1.Fill();
    p2.Fill();
    p3.Fill();
    p4.Fill();
    self->action = [&] { self.reset(); };
    killer->action = [&] {
        victim.reset();
        added->event.Schedule(p4.in, POLLIN);
        killer->action = nullptr;
    };
    LoopDriver driver;
    driver.wait = -1;
    driver.Run(3);
    // First pass: self leaves, killer removes victim and adds a watch that
    // joins from the next iteration on.
    EXPECT_EQ((std::vector<std::string>{"self", "killer", "killer", "added"}), trace);
    EXPECT_EQ(nullptr, self);
    EXPECT_EQ(nullptr, victim);
}

TEST(Event, HandlerMayReleaseOrRescheduleItsEvent) {
    std::vector<std::string> trace;
    Owner o(trace, "o");
    TestPipe p, q;
    o.event.Schedule(p.in, POLLIN);
    p.Fill();
    q.Fill();
    o.action = [&] {
        if (o.calls == 1)
            o.event.Schedule(q.in, POLLIN);
        else
            EXPECT_EQ(0, o.event.Release());
    };
    LoopDriver driver;
    driver.wait = 50;
    driver.Run(4);
    EXPECT_EQ(2u, o.calls);
    EXPECT_FALSE(o.event.IsActive());
    EXPECT_TRUE(o.event.IsBound()) << "release keeps the handler";
}

TEST(Event, SetEventsTakesEffectFromTheNextIteration) {
    std::vector<std::string> trace;
    Owner o(trace, "o");
    TestPipe p;
    o.event.Schedule(p.out, 0);  // the write end is always writable
    o.event.SetEvents(POLLOUT);
    EXPECT_EQ(POLLOUT, o.event.GetEvents());
    o.action = [&] { o.event.SetEvents(0); };
    LoopDriver driver;
    driver.wait = 20;
    driver.Run(4);
    // Woken by POLLOUT once; afterwards nothing is requested and the loop
    // only wakes on its time-outs, which dispatch nobody.
    EXPECT_EQ(1u, o.calls);
    EXPECT_EQ(POLLOUT, o.lastRevents);
}

TEST(Event, BindReplacesTheHandlerAndKeepsTheSameOne) {
    std::vector<std::string> trace;
    Owner first(trace, "first"), second(trace, "second");
    Event e;
    auto* h = new Event::THandler<Owner>(&Owner::OnEvent, &first);
    e.Bind(h);
    e.Bind(h);  // the same one again: kept, not deleted
    e.Bind<Owner>("Second", &Owner::OnEvent, &second);
    EXPECT_EQ("Second", e.event_name());
    TestPipe p;
    e.Schedule(p.in, POLLIN);
    p.Fill();
    LoopDriver driver;
    driver.wait = -1;
    driver.Run(2);
    EXPECT_EQ((std::vector<std::string>{"second"}), trace);
    e.UnBind();
    EXPECT_FALSE(e.IsBound());
    // A handler without a member is a no-op.
    Event::THandler<Owner> none(nullptr, &first);
    none.Invoke(0, POLLIN);
    EXPECT_EQ(0u, first.calls);
}
