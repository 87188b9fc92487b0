#include "runtime/Dpc.h"
#include "runtime/Multiplexer.h"
#include "runtime/tests/LoopDriver.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
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
    std::optional<Call> calls[3];  // in place, so in address order
    for (int i = 0; i < 3; ++i) {
        calls[i].emplace(char('a' + i));
        calls[i]->dpc.Activate();
    }
    calls[0]->action = [&] {
        calls[1]->dpc.Deactivate();
        calls[2].reset();
        calls[0]->action = nullptr;
    };
    EXPECT_EQ("a|aa|", RunIterations(2));
}

TEST(Dpc, ActivatedDuringAPassFirstRunsInTheNext) {
    trace.clear();
    Call calls[2] = {Call('a'), Call('b')};  // b at the higher address: the pass would reach it
    calls[0].action = [&] { calls[1].dpc.Activate(); };
    calls[0].dpc.Activate();
    EXPECT_EQ("a|abab|", RunIterations(2));

    // A one-shot call deactivating and re-activating itself also waits for the next pass.
    Call again('g');
    int rounds = 0;
    again.action = [&] {
        again.dpc.Deactivate();
        if (++rounds < 3) again.dpc.Activate();
    };
    calls[0].dpc.Deactivate();
    calls[1].dpc.Deactivate();
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
