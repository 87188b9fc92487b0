// Timing statistics of a repeated action in microseconds of the monotonic
// clock: shortest, longest and latest sample, and how many were taken.
#pragma once

#include <cstdint>
#include <ostream>

class Measure {
public:
    constexpr Measure() = default;

    void begin();
    void end();
    // "min=.. max=.. avg=.. counter=..", where avg is the latest sample.
    void put(std::ostream& out) const;

    std::uint32_t min = 0;
    std::uint32_t max = 0;
    std::uint32_t last = 0;
    std::uint32_t counter = 0;

private:
    bool first = true;
    std::uint32_t start = 0;
};

std::ostream& operator<<(std::ostream& out, const Measure& m);
