// An extra time source that the main loop asks, once per iteration, how long
// it may wait in poll().
#pragma once

#include "runtime/F_dual_list.h"

#include <cstdint>

class TimerPoolPlugin : public F_dual_list_item<TimerPoolPlugin> {
public:
    TimerPoolPlugin() = default;
    TimerPoolPlugin(const TimerPoolPlugin&) = delete;
    TimerPoolPlugin& operator=(const TimerPoolPlugin&) = delete;
    virtual ~TimerPoolPlugin();
    // Milliseconds until the source's next event, 0 when one is due now,
    // negative when it has none.
    virtual std::int32_t timerPoll() = 0;

    void timerHook();
    void timerUnhook();

private:
    bool hooked = false;
};
