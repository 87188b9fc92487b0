#include "runtime/tests/FakeClock.h"

namespace {
// 2023-10-11 16:46:00 UTC: a fixed time of day for what tests print.
const long wallEpoch = 1697042760;
}

FakeClock::FakeClock(std::uint64_t startMs) : nowUs(startMs * 1000) { Mux::setClockSource(this); }

FakeClock::~FakeClock() { Mux::setClockSource(nullptr); }

::timeval FakeClock::wallTime() {
    ::timeval tv;
    tv.tv_sec = wallEpoch + long(nowUs / 1000000);
    tv.tv_usec = long(nowUs % 1000000);
    return tv;
}
