// Timers on the main loop, the loop's clocks and the duration measurements.
#include "runtime/Measure.h"
#include "runtime/Multiplexer.h"
#include "runtime/MuxClock.h"
#include "runtime/Timer.h"
#include "runtime/TimerSpec.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"

#include <cstdint>
#include <ctime>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// Timers of one owner that write down which fired, and at what clock.
using Fired = std::vector<std::pair<int, std::uint32_t>>;
struct Recorder {
    Fired fired;
    Timer timers[8];

    void Fire(Timer* t) { fired.emplace_back(int(t - timers), Mux::milliseconds()); }
    void Arm(int which, unsigned ms) { timers[which].set<Recorder>(ms, &Recorder::Fire, this); }
};

const std::uint64_t wrap = std::uint64_t(1) << 32;

}  // namespace

TEST(Timer, RearmReplacesAndResetOrTheOwnersDeathCancels) {
    FakeClock clock(10000);
    Recorder r;
    r.Arm(0, 100);
    r.Arm(0, 300);
    r.Arm(1, 10);
    r.timers[1].reset();
    EXPECT_FALSE(r.timers[1].is_running());
    {
        Recorder gone;
        gone.Arm(1, 10);
    }
    LoopDriver driver(&clock, 50);
    driver.Run(10);
    EXPECT_EQ((Fired{{0, 10300}}), r.fired);
    EXPECT_FALSE(r.timers[0].is_running());
}

namespace {
struct Slot {
    static const TimerSpec<Slot>::Spec TUpdatespec;
    TimerSpec<Slot>::SpecTimer<TUpdatespec> update;
    std::vector<std::uint32_t> at;
    bool runningInside = false;
    void OnUpdateTimer() {
        runningInside |= update.is_running();
        update.reset();  // harmless on the idle timer
        at.push_back(Mux::milliseconds());
        if (at.size() < 3) update.set(this);
    }
};
const TimerSpec<Slot>::Spec Slot::TUpdatespec = {&Slot::OnUpdateTimer, 3000};
}  // namespace

TEST(Timer, CallbackSeesAnIdleTimerAndMayArmItAgain) {
    FakeClock clock(0);
    Slot slot;
    slot.update.set(&slot);
    EXPECT_TRUE(slot.update.is_running());
    LoopDriver driver(&clock, 500);
    driver.Run(30);
    EXPECT_EQ((std::vector<std::uint32_t>{3000, 6000, 9000}), slot.at);
    EXPECT_FALSE(slot.runningInside);
    EXPECT_FALSE(slot.update.is_running());
}

TEST(Timer, CallbackMayDestroyTheTimersOwner) {
    FakeClock clock(10000);
    static int deleted;
    struct Owner {
        Timer one, two;
        void Gone() {
            ++deleted;
            delete this;
        }
        void GoneWith(Timer*) { Gone(); }
    };
    deleted = 0;
    auto* b = new Owner;
    b->two.set<Owner>(10, &Owner::GoneWith, b);
    b->one.set<Owner>(10, &Owner::Gone, b);  // cancelled by the owner's death
    LoopDriver driver(&clock, 10);
    driver.Run(3);
    EXPECT_EQ(1, deleted);
}

TEST(Timer, ZeroDelayFromACallbackFiresInTheSamePassWhileTheClockStands) {
    FakeClock clock(10000);
    struct Chain {
        Timer first, second;
        unsigned firstPass = 0, secondPass = 0;
        LoopDriver* driver;
        void First() {
            firstPass = driver->iterations;
            second.set<Chain>(0, &Chain::Second, this);
        }
        void Second() { secondPass = driver->iterations; }
    };
    LoopDriver driver(&clock, 10);
    Chain c;
    c.driver = &driver;
    c.first.set<Chain>(20, &Chain::First, &c);
    driver.Run(5);
    EXPECT_EQ(2u, c.firstPass);
    EXPECT_EQ(2u, c.secondPass);
}

TEST(Timer, ExpiriesAcrossTheThirtyTwoBitWrap) {
    FakeClock clock(wrap - 300);
    Recorder r;
    r.Arm(0, 600);  // after the wrap; ties fire first in, first out
    r.Arm(1, 100);  // before it
    r.Arm(2, 300);  // exactly at 0
    r.Arm(3, 299);  // the last millisecond before it
    r.Arm(4, 301);
    r.Arm(5, 300);  // ties with 2
    LoopDriver driver(&clock, 1);
    driver.Run(700);
    EXPECT_EQ((Fired{{1, -200u}, {3, -1u}, {2, 0}, {5, 0}, {4, 1}, {0, 300}}), r.fired);
}

TEST(Clock, CacheHoldsEveryClockUntilStoredAgain) {
    FakeClock clock(50000);
    Mux::mux_settimeofday();
    std::uint32_t ms = Mux::milliseconds();
    long sec = Mux::seconds();
    clock.advanceMs(3000);
    EXPECT_EQ(ms, Mux::milliseconds());
    EXPECT_EQ(sec, Mux::seconds());
    Mux::mux_settimeofday();
    EXPECT_EQ(ms + 3000, Mux::milliseconds());
    EXPECT_EQ(sec + 3, Mux::seconds());
}

TEST(Clock, SystemTimeOfDayIsWall) {
    Mux::timeval tv;
    EXPECT_EQ(0, Mux::gettimeval(tv));
    EXPECT_NEAR(double(::time(nullptr)), double(tv.tv_sec), 2.0);
}

TEST(Measure, KeepsShortestLongestLatestAndCountAcrossTheWrap) {
    FakeClock clock(1000);
    Measure m;
    for (unsigned us : {40u, 10u, 70u, 25u}) {
        m.begin();
        clock.advanceUs(us);
        m.end();
    }
    std::ostringstream text;
    text << m;
    EXPECT_EQ("min=10 max=70 avg=25 counter=4", text.str());

    // A sample across the wrap of the 32-bit microsecond clock.
    clock.advanceUs(wrap - 5 - Mux::microseconds());
    m.begin();
    clock.advanceUs(12);
    m.end();
    EXPECT_EQ(12u, m.last);
}
