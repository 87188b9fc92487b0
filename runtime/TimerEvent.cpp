#include "runtime/TimerEvent.h"

#include "runtime/Multiplexer.h"
#include "runtime/MuxClock.h"

TimerEvent::~TimerEvent() { reset(); }

void TimerEvent::schedule(unsigned ms) {
    expiry = Mux::milliseconds() + ms;
    multiplexer.set(this);
}

void TimerEvent::reset() { multiplexer.reset(this); }
