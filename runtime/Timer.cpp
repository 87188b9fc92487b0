#include "runtime/Timer.h"

void SimpleTimerEvent1::fire() {
    timer->Unbind();
    fn();
    delete this;
}
