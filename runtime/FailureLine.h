// Paces the failure line of one request (a request kind on a timeslot, a
// channel, a device's open) that can repeat faster than anyone reads it: a
// burst of commands, a controller asking again as soon as it hears of the
// failure, a retry every second for as long as the driver refuses. The first
// line is written; a new ask's line then at most once a second; a retry's
// only when its error is not the one written last, since the same error
// again says nothing new. On the main loop's monotonic clock.
#pragma once

#include "runtime/MuxClock.h"

#include <cstdint>

class FailureLine {
public:
    // Writes the failure, with this error number, when its line is due.
    template <class Write>
    void Tell(int error, bool retry, const Write& write) {
        if (retry ? error == written : !Lapsed()) return;
        write();
        written = error;
        spoken = true;
        last = Mux::milliseconds();
    }
    // The request was taken: a retry's next failure is a new one.
    void Clear() { written = 0; }
    // No line was written within the last second: a new ask's line is due,
    // and forgetting the pace changes nothing.
    bool Lapsed() const {
        // The unsigned difference stays right across the clock's wrap.
        return !spoken || std::uint32_t(Mux::milliseconds() - last) >= 1000;
    }

private:
    // The error of the last line written, 0 once the request was taken.
    int written = 0;
    bool spoken = false;
    std::uint32_t last = 0;
};
