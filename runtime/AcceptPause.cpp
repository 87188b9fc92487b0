#include "runtime/AcceptPause.h"

#include <poll.h>

void AcceptPause::Begin() {
    listener.SetEvents(0);
    timer.set(pause_ms, &AcceptPause::OnTimeout, this);
}

void AcceptPause::OnTimeout(Timer*) { listener.SetEvents(POLLIN); }
