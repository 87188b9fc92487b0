#include "runtime/TimerPoolPlugin.h"

#include "runtime/Multiplexer.h"

TimerPoolPlugin::~TimerPoolPlugin() { timerUnhook(); }

void TimerPoolPlugin::timerHook() {
    if (hooked) return;
    multiplexer.hook(this);
    hooked = true;
}

void TimerPoolPlugin::timerUnhook() {
    if (!hooked) return;
    multiplexer.unhook(this);
    hooked = false;
}
