#include "runtime/tests/LoopDriver.h"

#include "runtime/Multiplexer.h"
#include "runtime/tests/FakeClock.h"

unsigned LoopDriver::Run(unsigned max, bool watchdog, bool timeCache) {
    iterations = 0;
    limit = max;
    timerHook();
    multiplexer.run(watchdog, !timeCache);
    timerUnhook();
    return iterations;
}

std::int32_t LoopDriver::timerPoll() {
    ++iterations;
    if (fake) fake->advanceMs(step);
    if (probe) probe(iterations);
    if (iterations >= limit) multiplexer.terminate();
    return wait;
}
