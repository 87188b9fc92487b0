// One scheduled expiry of the main loop's timer list; the loop unlinks it
// when it falls due and calls fire().
#pragma once

#include "runtime/F_dual_list.h"

#include <cstdint>

class Multiplexer;

class TimerEvent : public F_dual_list_item<TimerEvent> {
public:
    TimerEvent() = default;
    TimerEvent(const TimerEvent&) = delete;
    TimerEvent& operator=(const TimerEvent&) = delete;
    // A scheduled event leaves the list, so a destroyed event never fires.
    virtual ~TimerEvent();
    virtual void fire() = 0;

    // Due ms milliseconds from now; an event already scheduled moves.
    void schedule(unsigned ms);
    void reset();
    // Negative when this event is due before the other; correct across the
    // 32-bit wrap while the two lie less than 2^31 ms apart.
    std::int32_t compare(const TimerEvent* other) const {
        return std::int32_t(expiry - other->expiry);
    }

    std::uint32_t expiry = 0;

private:
    friend class Multiplexer;
    bool scheduled = false;
};
