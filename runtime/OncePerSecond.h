// Paces a failure line that can repeat faster than anyone reads it (a burst
// of commands, a controller asking again as soon as it hears of the
// failure): the first is written, then at most one a second, on the main
// loop's monotonic clock.
#pragma once

#include "runtime/MuxClock.h"

#include <cstdint>

class OncePerSecond {
public:
    // True when the line may be written now; it then counts as written.
    bool Due() {
        const std::uint32_t now = Mux::milliseconds();
        // The unsigned difference stays right across the clock's wrap.
        if (written && now - last < 1000) return false;
        written = true;
        last = now;
        return true;
    }

private:
    bool written = false;
    std::uint32_t last = 0;
};
