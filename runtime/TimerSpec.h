// A Timer whose callback and delay come from a static spec of its owner
// class, for periodic work that always re-arms with the same period.
#pragma once

#include "runtime/Timer.h"

template <class Owner>
struct TimerSpec {
    struct Spec {
        void (Owner::*member)();
        unsigned delay;
    };

    template <const Spec& S>
    class SpecTimer : public Timer {
    public:
        void set(Owner* owner) { Timer::set<Owner>(S.delay, S.member, owner); }
    };
};
