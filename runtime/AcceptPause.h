// The rest an accept loop takes when accept() finds no descriptor or memory:
// the waiting connection stays queued and the listening socket readable, so
// watching it on would spin the loop. The listener goes unwatched for
// pause_ms, then is watched for POLLIN again.
#pragma once

#include "runtime/Event.h"
#include "runtime/Timer.h"

class AcceptPause {
public:
    static constexpr unsigned pause_ms = 1000;

    // listener: the accepting socket's watch, which outlives this pause.
    explicit AcceptPause(Event& listener) : listener(listener) {}
    AcceptPause(const AcceptPause&) = delete;
    AcceptPause& operator=(const AcceptPause&) = delete;

    void Begin();
    // The end of the rest.
    void OnTimeout(Timer*);
    // Drops a rest under way; the listener is left as it is.
    void Cancel() { timer.reset(); }

private:
    Event& listener;
    Timer timer;
};
