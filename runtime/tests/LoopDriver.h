// Runs the main loop from a test for a bounded number of iterations. Hooked
// as a timer-pool plugin, it is asked once per iteration (after the timers
// and the first deferred-call pass): it counts, can step a fake clock, runs
// the test's probe, and stops the loop at the limit.
#pragma once

#include "runtime/TimerPoolPlugin.h"

#include <cstdint>
#include <functional>

class FakeClock;

class LoopDriver : public TimerPoolPlugin {
public:
    // With a clock, each iteration first advances it by stepMs.
    explicit LoopDriver(FakeClock* clock = nullptr, std::uint64_t stepMs = 0)
        : fake(clock), step(stepMs) {}

    // Runs the loop until it stops by itself or the limit-th iteration asks
    // the driver; returns the number of iterations that asked it.
    unsigned Run(unsigned limit, bool watchdog = false, bool timeCache = false);

    // Called once per iteration with the iteration's number, counted from 1.
    std::function<void(unsigned)> probe;
    // What the driver answers as its wait: 0 spins the loop (the default),
    // negative leaves the poll time-out to timers and descriptors.
    std::int32_t wait = 0;
    unsigned iterations = 0;

    std::int32_t timerPoll() override;

private:
    FakeClock* fake;
    std::uint64_t step;
    unsigned limit = 0;
};
