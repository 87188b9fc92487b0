// Paces the failure line of one request (a request kind on a timeslot, a
// channel, a device's open) that can repeat faster than anyone reads it: a
// burst of commands, a controller asking again as soon as it hears of the
// failure, a retry every second for as long as the driver refuses. A line
// is written when its error differs from the last one written, and the same
// error at most once a second, whatever was taken between. A retry, which
// repeats by itself, writes the same error again only once something was
// taken since its last line: a refusal that merely goes on says nothing new.
// On the main loop's monotonic clock.
#pragma once

#include "runtime/MuxClock.h"

#include <cstdint>

class FailureLine {
public:
    // Writes the failure, with this error number, when its line is due.
    template <class Write>
    void Tell(int error, bool retry, const Write& write) {
        if (spoken && error == written && (!Lapsed() || (retry && !taken))) return;
        write();
        written = error;
        spoken = true;
        taken = false;
        last = Mux::milliseconds();
    }
    // The request was taken: the same error again is a new failure, within
    // the second's pace.
    void Clear() { taken = true; }
    // No line was written within the last second: forgetting the line now
    // changes no line to come but a retry's repeat of the same error.
    bool Lapsed() const {
        // The unsigned difference stays right across the clock's wrap.
        return !spoken || std::uint32_t(Mux::milliseconds() - last) >= 1000;
    }

private:
    // The error of the last line written.
    int written = 0;
    bool spoken = false;
    // Something was taken since the last line.
    bool taken = false;
    std::uint32_t last = 0;
};
