// The process clocks of the main loop: a monotonic 32-bit millisecond and
// microsecond clock for timers and measurements, and the time of day for
// anything shown or sent.
#pragma once

#include <cstdint>
#include <sys/time.h>

namespace Mux {

// The system's struct timeval, so it can be handed to select() directly.
struct timeval : ::timeval {
    constexpr timeval() : ::timeval{0, 0} {}
    constexpr timeval(long sec, long usec) : ::timeval{sec, usec} {}
    bool is_zero() const { return tv_sec == 0 && tv_usec == 0; }
};

// The time cache: zero at start, so every clock reads live until the main
// loop stores a time with mux_settimeofday().
extern timeval g_tv_time;

// Time of day, from the cache when one is stored.
int mux_gettimeofday(timeval& tv);
// Stores the live time (time of day and monotonic) into the cache.
int mux_settimeofday();
int gettimeval(timeval& tv);
long seconds();

// Monotonic clocks, cut to 32 bits: they wrap, and two values compare by
// their difference read as a signed 32-bit number.
std::uint32_t milliseconds();
std::uint32_t microseconds();

timeval make_from_usec(unsigned us);
timeval make_from_msec(unsigned ms);

// Where the clocks read the time. Tests install their own to step across
// long waits or the 32-bit wrap without sleeping.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual ::timeval wallTime() = 0;
    virtual std::uint64_t monotonicMicroseconds() = 0;
};

// Installs a source (null restores the system's) and clears the cache.
void setClockSource(ClockSource* source);

}  // namespace Mux
