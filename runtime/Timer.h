// One-shot millisecond timers: an owner keeps a Timer and arms it with one of
// its members; the main loop calls that member once when the delay has
// passed. Arming again replaces the pending expiry.
#pragma once

#include "runtime/TimerEvent.h"

class Timer;

// The expiry events a Timer owns; each deletes itself once it has fired.
template <class T>
class ObjTimerEvent1 : public TimerEvent {
public:
    ObjTimerEvent1(Timer* t, void (T::*m)(), T* o, unsigned ms) : timer(t), member(m), obj(o) {
        schedule(ms);
    }
    void fire() override;

private:
    Timer* timer;
    void (T::*member)();
    T* obj;
};

// The callback gets the Timer, so one member can serve several Timers.
template <class T>
class ObjTimerEvent2 : public TimerEvent {
public:
    ObjTimerEvent2(Timer* t, void (T::*m)(Timer*), T* o, unsigned ms)
        : timer(t), member(m), obj(o) {
        schedule(ms);
    }
    void fire() override;

private:
    Timer* timer;
    void (T::*member)(Timer*);
    T* obj;
};

class SimpleTimerEvent1 : public TimerEvent {
public:
    SimpleTimerEvent1(Timer* t, void (*f)(), unsigned ms) : timer(t), fn(f) { schedule(ms); }
    void fire() override;

private:
    Timer* timer;
    void (*fn)();
};

class Timer {
public:
    Timer() = default;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer() { reset(); }

    template <class T>
    void set(unsigned ms, void (T::*member)(), T* obj) {
        replace(new ObjTimerEvent1<T>(this, member, obj, ms));
    }
    template <class T>
    void set(unsigned ms, void (T::*member)(Timer*), T* obj) {
        replace(new ObjTimerEvent2<T>(this, member, obj, ms));
    }
    void set(unsigned ms, void (*fn)()) { replace(new SimpleTimerEvent1(this, fn, ms)); }

    void reset() { replace(nullptr); }
    bool is_running() const { return pending != nullptr; }
    // Gives up the pending event without deleting it; the firing event
    // calls this before the callback, so the Timer is idle while it runs.
    TimerEvent* Unbind() {
        TimerEvent* event = pending;
        pending = nullptr;
        return event;
    }

private:
    void replace(TimerEvent* event) {
        TimerEvent* old = pending;
        pending = event;
        delete old;
    }

    TimerEvent* pending = nullptr;
};

// The event reads nothing of itself after the callback, which may destroy the
// Timer's owner or arm the Timer again.
template <class T>
void ObjTimerEvent1<T>::fire() {
    timer->Unbind();
    (obj->*member)();
    delete this;
}

template <class T>
void ObjTimerEvent2<T>::fire() {
    Timer* owner = timer;
    owner->Unbind();
    (obj->*member)(owner);
    delete this;
}
