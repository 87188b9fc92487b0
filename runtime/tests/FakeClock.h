// A hand-stepped clock for tests of timers and measurements: installed for
// the lifetime of the object, it lets a test cross long waits or the 32-bit
// wrap without sleeping.
#pragma once

#include "runtime/MuxClock.h"

#include <cstdint>

class FakeClock : public Mux::ClockSource {
public:
    // Starts at the given monotonic millisecond value (and a fixed time of day).
    explicit FakeClock(std::uint64_t startMs = 1000);
    ~FakeClock() override;
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void advanceMs(std::uint64_t ms) { nowUs += ms * 1000; }
    void advanceUs(std::uint64_t us) { nowUs += us; }

    ::timeval wallTime() override;
    std::uint64_t monotonicMicroseconds() override { return nowUs; }

private:
    std::uint64_t nowUs;
};
