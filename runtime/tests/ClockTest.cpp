#include "runtime/MuxClock.h"
#include "runtime/tests/FakeClock.h"

#include <cstdint>
#include <gtest/gtest.h>

TEST(Clock, MonotonicClocksWrapAtThirtyTwoBits) {
    const std::uint64_t wrapMs = std::uint64_t(1) << 32;
    FakeClock clock(wrapMs - 2);
    std::uint32_t before = Mux::milliseconds();
    EXPECT_EQ(0xFFFFFFFEu, before);
    clock.advanceMs(5);
    std::uint32_t after = Mux::milliseconds();
    EXPECT_EQ(3u, after);
    // Ordering by the signed difference survives the wrap.
    EXPECT_EQ(5, std::int32_t(after - before));
    EXPECT_EQ(std::uint32_t(Mux::microseconds()), std::uint32_t((wrapMs + 3) * 1000));
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

TEST(Clock, SystemClockIsMonotonicAndTimeOfDayIsWall) {
    std::uint32_t a = Mux::milliseconds();
    std::uint32_t b = Mux::milliseconds();
    EXPECT_GE(std::int32_t(b - a), 0);
    Mux::timeval tv;
    EXPECT_EQ(0, Mux::gettimeval(tv));
    EXPECT_NEAR(double(::time(nullptr)), double(tv.tv_sec), 2.0);
}

TEST(Clock, TimevalFromCounts) {
    Mux::timeval t = Mux::make_from_msec(2500);
    EXPECT_EQ(2, t.tv_sec);
    EXPECT_EQ(500000, t.tv_usec);
    t = Mux::make_from_usec(1000001);
    EXPECT_EQ(1, t.tv_sec);
    EXPECT_EQ(1, t.tv_usec);
    EXPECT_TRUE(Mux::timeval().is_zero());
    EXPECT_EQ(sizeof(::timeval), sizeof(Mux::timeval));
}
