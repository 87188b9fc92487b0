#include "runtime/Dpc.h"
#include "runtime/Multiplexer.h"
#include "runtime/tests/LoopDriver.h"

#include <functional>
#include <gtest/gtest.h>
#include <algorithm>
#include <vector>
#include <string>
#include <utility>

namespace {

// Deferred calls that write their letter into one trace; the loop driver
// writes '|' between the two passes of an iteration.
std::string trace;

struct Call {
    explicit Call(char c = '?') : letter(c) { dpc.Bind<Call>(this, &Call::Run); }
    void Run() {
        trace += letter;
        if (action) action();
    }
    char letter;
    std::function<void()> action;
    Dpc dpc;
};

// A static object that activates its deferred call before main runs.
struct EarlyUser {
    EarlyUser() {
        dpc.Bind<EarlyUser>(this, &EarlyUser::Run);
        dpc.Activate();
    }
    void Run() {
        ran = true;
        dpc.Deactivate();
    }
    bool ran = false;
    Dpc dpc;
} earlyUser;

// Runs iterations; each adds "<pass 1>|<pass 2>" to the trace, except the
// last, which ends after its first pass. Returns the trace and clears it.
std::string RunIterations(unsigned n) {
    LoopDriver driver;
    driver.probe = [](unsigned) { trace += '|'; };
    driver.Run(n);
    return std::exchange(trace, std::string());
}

}  // namespace

TEST(Dpc, RunsTwicePerIterationInAddressOrderOnceEvenIfActivatedTwice) {
    trace.clear();
    Call calls[4] = {Call('a'), Call('b'), Call('c'), Call('d')};
    for (int i = 3; i >= 0; --i) calls[i].dpc.Activate();
    calls[0].dpc.Activate();
    EXPECT_EQ("abcd|abcdabcd|", RunIterations(2));
}

TEST(Dpc, DeactivatedOrDestroyedBeforeItsTurnDoesNotRun) {
    trace.clear();
    // Three calls of their own on the heap, lettered in address order (the
    // loop's order), so a pass that went on to the destroyed one would be
    // caught reading freed memory.
    std::vector<Call*> calls{new Call, new Call, new Call};
    std::sort(calls.begin(), calls.end(), std::less<Call*>());
    for (int i = 0; i < 3; ++i) {
        calls[i]->letter = char('a' + i);
        calls[i]->dpc.Activate();
    }
    calls[0]->action = [&] {
        calls[1]->dpc.Deactivate();
        delete calls[2];
        calls[0]->action = nullptr;
    };
    EXPECT_EQ("a|aa|", RunIterations(2));
    delete calls[0];
    delete calls[1];
}

TEST(Dpc, ActivatedDuringAPassFirstRunsInTheNext) {
    trace.clear();
    // c, at the highest address, joins behind the pass's next call b: the
    // pass would reach it.
    Call calls[3] = {Call('a'), Call('b'), Call('c')};
    calls[0].action = [&] { calls[2].dpc.Activate(); };
    calls[0].dpc.Activate();
    calls[1].dpc.Activate();
    EXPECT_EQ("ab|abcabc|", RunIterations(2));

    // A one-shot call deactivating and re-activating itself also waits for the next pass.
    Call again('g');
    int rounds = 0;
    again.action = [&] {
        again.dpc.Deactivate();
        if (++rounds < 3) again.dpc.Activate();
    };
    for (Call& c : calls) c.dpc.Deactivate();
    again.dpc.Activate();
    EXPECT_EQ("g|gg||", RunIterations(3));
}

TEST(Dpc, BindingAndActivationAreIndependent) {
    trace.clear();
    Dpc dpc;
    dpc.Activate();  // no handler: runs as a no-op
    EXPECT_EQ("|", RunIterations(1));
    auto* h = new DpcHandler1([] { trace += 'y'; });
    dpc.Bind(h);
    dpc.Bind(h);  // binding the held handler keeps it
    EXPECT_EQ("y|", RunIterations(1));
    dpc.Deactivate();
    dpc.Deactivate();
    EXPECT_EQ("|", RunIterations(1));
}

TEST(Dpc, StaticObjectsMayUseTheLoopBeforeMain) {
    RunIterations(1);
    EXPECT_TRUE(earlyUser.ran);
}
