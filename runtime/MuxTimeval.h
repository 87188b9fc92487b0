// Arithmetic on time values (seconds and microseconds) and a period timer
// over them, for code that counts in times of day.
#pragma once

#include "runtime/MuxClock.h"

#include <cstdint>
#include <string>

namespace Mux {

// a += b and a -= b, microseconds kept in 0..999999; 0.
int timevaladd(timeval& a, const timeval& b);
int timevalsub(timeval& a, const timeval& b);
int timevaladd2(const timeval& a, const timeval& b, timeval& out);
int timevalsub2(const timeval& a, const timeval& b, timeval& out);
int timevalset(timeval& tv, unsigned long long ms);
// Milliseconds from a to b, 0 when b is earlier.
std::int64_t timevaldiff(const timeval& a, const timeval& b);
// -1, 0 or 1.
int timevalcompare(const timeval& a, const timeval& b);
// Local time as "YYYY-MM-DD hh:mm:ss.uuuuuu".
std::string timevaltostring(const timeval& tv);

// Expires once more than its period has passed since its start; a period
// below 1 never expires.
struct timeval_timer {
    void init(const timeval& from, int ms) {
        start = from;
        period = ms;
    }
    void init_now(const timeval& from) { start = from; }
    bool is_expired(const timeval& now) const;
    // Moves the start on by one period.
    void inc();

    timeval start;
    int period = 0;
};

}  // namespace Mux
