// Cost of one main-loop iteration when idle, and of arming a timer while
// others are pending.
#include "runtime/Event.h"
#include "runtime/Multiplexer.h"
#include "runtime/Timer.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <iostream>
#include <unistd.h>
#include <vector>

namespace {

// Counts one benchmark iteration per loop iteration and stops the loop when
// the benchmark has enough; answers 0 so poll() never sleeps.
class Pace : public TimerPoolPlugin {
public:
    explicit Pace(benchmark::State& s) : state(s) { timerHook(); }
    std::int32_t timerPoll() override {
        if (!state.KeepRunning()) multiplexer.terminate();
        if (onIteration) onIteration();
        return 0;
    }
    std::function<void()> onIteration;

private:
    benchmark::State& state;
};

// The loop's closing line would flood the report.
struct QuietLog {
    QuietLog() : saved(std::clog.rdbuf(nullptr)) {}
    ~QuietLog() {
        std::clog.rdbuf(saved);
        std::clog.clear();
    }
    std::streambuf* saved;
};

// One watched descriptor that never becomes ready.
struct IdleDescriptor {
    IdleDescriptor() {
        int ends[2];
        if (::pipe(ends) == 0) {
            in = Fd(ends[0]);
            out = Fd(ends[1]);
        }
        event.Schedule(in, POLLIN);
    }
    Fd in, out;
    Event event;
};

struct Nothing {
    void Fire() {}
};

// Timers that stay pending, an hour and more ahead.
struct PendingTimers {
    explicit PendingTimers(int count) : timers(count) {
        for (int i = 0; i < count; ++i)
            timers[i].set<Nothing>(3600 * 1000 + i, &Nothing::Fire, &nothing);
    }
    Nothing nothing;
    std::vector<Timer> timers;
};

void BM_IdleIteration(benchmark::State& state) {
    QuietLog quiet;
    IdleDescriptor idle;
    Pace pace(state);
    multiplexer.run(false, true);
}
BENCHMARK(BM_IdleIteration);

// Each iteration arms a timer due at once (ahead of every pending one, so the
// insertion walks the whole list from its tail) and the next fires it.
void BM_ArmAndFireAmongPending(benchmark::State& state) {
    QuietLog quiet;
    IdleDescriptor idle;
    PendingTimers pending(int(state.range(0)));
    Timer soon;
    Pace pace(state);
    pace.onIteration = [&] { soon.set<Nothing>(0, &Nothing::Fire, &pending.nothing); };
    multiplexer.run(false, true);
}
BENCHMARK(BM_ArmAndFireAmongPending)->Arg(0)->Arg(1000);

// Each iteration re-arms a timer due after every pending one, the common case
// of a supervision timer pushed back: the old event goes, the new one is
// appended after one comparison.
void BM_RearmLatestAmongPending(benchmark::State& state) {
    QuietLog quiet;
    IdleDescriptor idle;
    PendingTimers pending(int(state.range(0)));
    Timer late;
    Pace pace(state);
    pace.onIteration = [&] { late.set<Nothing>(7000 * 1000, &Nothing::Fire, &pending.nothing); };
    multiplexer.run(false, true);
}
BENCHMARK(BM_RearmLatestAmongPending)->Arg(1000);

}  // namespace
