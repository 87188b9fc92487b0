#include "runtime/MuxClock.h"

#include <ctime>

namespace Mux {

timeval g_tv_time;

namespace {

::timeval systemWallTime() {
    ::timeval tv;
    ::gettimeofday(&tv, nullptr);
    return tv;
}

std::uint64_t systemMonotonic() {
    ::timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::uint64_t(ts.tv_sec) * 1000000u + std::uint64_t(ts.tv_nsec) / 1000u;
}

// Null means the system's clocks; plain data, so the clocks work from any
// static constructor.
ClockSource* source = nullptr;

::timeval wallNow() { return source ? source->wallTime() : systemWallTime(); }

std::uint64_t liveMonotonic() { return source ? source->monotonicMicroseconds() : systemMonotonic(); }

// Monotonic reading that belongs to the cached time of day; valid while the
// cache is set.
std::uint64_t cachedMonotonic = 0;

std::uint64_t monotonicNow() {
    return g_tv_time.is_zero() ? liveMonotonic() : cachedMonotonic;
}

}  // namespace

int mux_gettimeofday(timeval& tv) {
    if (!g_tv_time.is_zero()) {
        tv = g_tv_time;
        return 0;
    }
    static_cast<::timeval&>(tv) = wallNow();
    return 0;
}

int mux_settimeofday() {
    static_cast<::timeval&>(g_tv_time) = wallNow();
    cachedMonotonic = liveMonotonic();
    return 0;
}

int gettimeval(timeval& tv) {
    mux_gettimeofday(tv);
    return 0;
}

long seconds() {
    timeval tv;
    mux_gettimeofday(tv);
    return tv.tv_sec;
}

std::uint32_t milliseconds() { return std::uint32_t(monotonicNow() / 1000u); }

std::uint32_t microseconds() { return std::uint32_t(monotonicNow()); }

timeval make_from_usec(unsigned us) { return timeval(us / 1000000, us % 1000000); }

timeval make_from_msec(unsigned ms) { return timeval(ms / 1000, (ms % 1000) * 1000); }

void setClockSource(ClockSource* clock) {
    source = clock;
    g_tv_time = timeval();
    cachedMonotonic = 0;
}

}  // namespace Mux
