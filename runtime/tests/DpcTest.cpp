#include "runtime/Dpc.h"
#include "runtime/Multiplexer.h"
#include "runtime/tests/LoopDriver.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

// Deferred calls that write their letter into one trace; the loop driver
// writes '|' between the two passes of an iteration.
std::string trace;

struct Call {
    char letter = '?';
    std::function<void()> action;
    Dpc dpc;
    void Run() {
        trace += letter;
        if (action) action();
    }
    void Bind(char c) {
        letter = c;
        dpc.Bind<Call>(this, &Call::Run);
    }
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
// last, which ends after its first pass.
void RunIterations(unsigned n) {
    LoopDriver driver;
    driver.probe = [](unsigned) { trace += '|'; };
    driver.Run(n);
}

}  // namespace

TEST(Dpc, RunsTwicePerIterationOnceEvenIfActivatedTwice) {
    trace.clear();
    Call a;
    a.Bind('a');
    a.dpc.Activate();
    a.dpc.Activate();
    EXPECT_TRUE(a.dpc.IsActive());
    RunIterations(3);
    EXPECT_EQ("a|aa|aa|", trace);
}

TEST(Dpc, RunInAscendingAddressOrder) {
    trace.clear();
    Call calls[4];
    for (int i = 3; i >= 0; --i) {
        calls[i].Bind(char('a' + i));
        calls[i].dpc.Activate();
    }
    RunIterations(1);
    EXPECT_EQ("abcd|", trace);
}

TEST(Dpc, DeactivatedOrDestroyedBeforeItsTurnDoesNotRun) {
    trace.clear();
    std::optional<Call> calls[3];  // in place, so in address order
    for (int i = 0; i < 3; ++i) {
        calls[i].emplace();
        calls[i]->Bind(char('a' + i));
        calls[i]->dpc.Activate();
    }
    calls[0]->action = [&] {
        calls[1]->dpc.Deactivate();
        calls[2].reset();
        calls[0]->action = nullptr;
    };
    RunIterations(2);
    EXPECT_EQ("a|aa|", trace);
}

TEST(Dpc, OneShotRunsOnceAndMayActivateItselfAgain) {
    trace.clear();
    Call once, again;
    once.Bind('o');
    again.Bind('g');
    once.action = [&] { once.dpc.Deactivate(); };
    int rounds = 0;
    again.action = [&] {
        again.dpc.Deactivate();
        if (++rounds < 3) again.dpc.Activate();
    };
    once.dpc.Activate();
    again.dpc.Activate();
    RunIterations(3);
    std::string withoutOnce;
    for (char c : trace)
        if (c != 'o') withoutOnce += c;
    EXPECT_EQ(1, std::count(trace.begin(), trace.end(), 'o'));
    EXPECT_EQ("g|gg||", withoutOnce);  // each re-activation runs in the next pass
}

TEST(Dpc, ActivatedDuringAPassFirstRunsInTheNext) {
    trace.clear();
    Call calls[2];
    calls[0].Bind('a');
    calls[1].Bind('b');  // higher address: the pass would reach it
    calls[0].action = [&] { calls[1].dpc.Activate(); };
    calls[0].dpc.Activate();
    RunIterations(2);
    EXPECT_EQ("a|abab|", trace);
}

TEST(Dpc, BindingAndActivationAreIndependent) {
    trace.clear();
    Call c;
    c.dpc.Activate();  // no handler: runs as a no-op
    RunIterations(1);
    EXPECT_EQ("|", trace);
    c.Bind('x');  // the old (no) handler is replaced while active
    auto* h = new DpcHandler1([] { trace += 'y'; });
    c.dpc.Bind(h);
    c.dpc.Bind(h);  // binding the held handler keeps it
    RunIterations(1);
    EXPECT_EQ("|y|", trace);
    c.dpc.Deactivate();
    c.dpc.Deactivate();
    EXPECT_FALSE(c.dpc.IsActive());
    RunIterations(1);
    EXPECT_EQ("|y||", trace);
}

TEST(Dpc, StaticObjectsMayUseTheLoopBeforeMain) {
    trace.clear();
    RunIterations(1);
    EXPECT_TRUE(earlyUser.ran);
}
