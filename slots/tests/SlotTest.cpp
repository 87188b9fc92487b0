// The connection rules of the slot model, on slot kinds that record which of
// their hooks run.
#include "slots/Slot.h"
#include "tests/support/StreamCapture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> calls;

struct Probe : Slot {
    Probe(const char* name, int priority = 0) : name(name), priority(priority) {}

    void Log(const std::string& what) { calls.push_back(std::string(name) + ":" + what); }
    static std::string Name(Slot& s) { return static_cast<Probe&>(s).name; }

    int GetConnectionPriority() override { return priority; }
    bool IHwConnectTransmitter(Slot& r) override {
        Log("hwTx>" + Name(r));
        return hwOk;
    }
    bool IHwConnectReceiver(Slot& t) override {
        Log("hwRx<" + Name(t));
        return hwOk && Name(t) != refuseFrom;
    }
    bool IHwDisconnectTransmitter(Slot& r) override {
        Log("unTx>" + Name(r));
        return hwOk;
    }
    bool IHwDisconnectReceiver(Slot& t) override {
        Log("unRx<" + Name(t));
        return hwOk;
    }
    bool IOnOutputStream() override {
        Log("out");
        return hasOutput;
    }
    bool IOnInputStream() override {
        Log("in");
        return hasInput;
    }
    void IOnOutputRelease() override { Log("outRelease"); }
    void IOnInputRelease() override { Log("inRelease"); }
    const char* GetName() const override { return name; }

    const char* name;
    int priority;
    bool hwOk = true;
    bool hasOutput = true;
    bool hasInput = true;
    // The receiver's hardware step fails for paths from this transmitter.
    std::string refuseFrom;
};

using Calls = std::vector<std::string>;

// Announcements go to the controller through Slots, unbound here: its
// complaint is kept off the test output.
struct SlotRules : ::testing::Test {
    SlotRules() { calls.clear(); }
    TestSupport::StreamCapture errors{std::cerr};
};

TEST_F(SlotRules, ThePriorityDecidesWhichSideMakesThePath) {
    const struct {
        int transmitter, receiver;
        Calls connect, disconnect;
    } table[] = {
        {0, 0, {"R:hwRx<T"}, {"T:unTx>R"}},
        {0, 1, {"R:hwRx<T"}, {"R:unRx<T"}},
        {1, 0, {"T:hwTx>R"}, {"T:unTx>R"}},
        {2, 2, {"R:hwRx<T"}, {"T:unTx>R"}},
    };
    for (const auto& row : table) {
        Probe t("T", row.transmitter), r("R", row.receiver);
        EXPECT_TRUE(llConnect(t, r));
        r.LogicalConnect(t);
        EXPECT_EQ(calls, row.connect);
        calls.clear();
        EXPECT_TRUE(llDisconnect(r));
        EXPECT_EQ(calls, row.disconnect);
        calls.clear();
    }
}

TEST_F(SlotRules, StreamsArePreparedOnceAndLinksKeptSortedAndUnique) {
    Probe t("T"), r1("R1"), r2("R2");
    ASSERT_TRUE(Connect(t, r1));
    EXPECT_EQ(calls, (Calls{"T:out", "R1:in", "R1:hwRx<T"}));
    calls.clear();
    ASSERT_TRUE(Connect(t, r1));
    EXPECT_TRUE(calls.empty());
    ASSERT_TRUE(Connect(t, r2));
    EXPECT_EQ(calls, (Calls{"R2:in", "R2:hwRx<T"}));
    std::vector<Slot*> expected{&r1, &r2};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(t.GetReceivers(), expected);
    r1.LogicalConnect(t);
    EXPECT_EQ(t.GetReceivers(), expected);

    calls.clear();
    EXPECT_TRUE(Disconnect(r1));
    EXPECT_EQ(calls, (Calls{"T:unTx>R1", "R1:inRelease"}));
    calls.clear();
    EXPECT_TRUE(Disconnect(r1));
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(Disconnect(r2));
    EXPECT_EQ(calls, (Calls{"T:unTx>R2", "R2:inRelease", "T:outRelease"}));
    EXPECT_TRUE(t.GetReceivers().empty());
}

TEST_F(SlotRules, MovingAReceiverUndoesTheOldPathFirst) {
    Probe a("A"), b("B"), r("R");
    ASSERT_TRUE(Connect(a, r));
    calls.clear();
    ASSERT_TRUE(Connect(b, r));
    EXPECT_EQ(calls, (Calls{"B:out", "A:unTx>R", "R:hwRx<B", "A:outRelease"}));
    EXPECT_EQ(r.GetSource(), &b);
    EXPECT_TRUE(a.GetReceivers().empty());
    EXPECT_EQ(b.GetReceivers(), std::vector<Slot*>{&r});
}

// The links always match the switch: a failed move makes the old path again,
// and when even that fails the receiver leaves the old source.
TEST_F(SlotRules, AFailedMoveRestoresTheOldPathOrUnlinks) {
    Probe a("A"), b("B"), r("R");
    ASSERT_TRUE(Connect(a, r));
    r.refuseFrom = "B";
    calls.clear();
    EXPECT_FALSE(Connect(b, r));
    EXPECT_EQ(calls, (Calls{"B:out", "A:unTx>R", "R:hwRx<B", "R:hwRx<A", "B:outRelease"}));
    EXPECT_EQ(r.GetSource(), &a);
    EXPECT_EQ(a.GetReceivers(), std::vector<Slot*>{&r});
    EXPECT_TRUE(b.GetReceivers().empty());

    r.hwOk = false;
    calls.clear();
    EXPECT_FALSE(Connect(b, r));
    EXPECT_EQ(calls, (Calls{"B:out", "A:unTx>R", "R:hwRx<B", "R:hwRx<A", "A:outRelease",
                            "R:inRelease", "B:outRelease"}));
    EXPECT_EQ(r.GetSource(), nullptr);
    EXPECT_TRUE(a.GetReceivers().empty());
}

TEST_F(SlotRules, ConnectFailsWithoutStreamsAndSaysWhy) {
    Probe t("T"), r("R"), mute("M");
    mute.hasOutput = false;
    EXPECT_FALSE(Connect(mute, r));
    r.hasInput = false;
    EXPECT_FALSE(Connect(t, r));
    EXPECT_EQ(calls, (Calls{"M:out", "T:out", "R:in"}));
    EXPECT_NE(errors.str().find("slot na:M don't have output stream to na:R\n"), std::string::npos);
    EXPECT_NE(errors.str().find("slot na:R don't have input stream from na:T\n"),
              std::string::npos);

    r.hasInput = true;
    t.hwOk = r.hwOk = false;
    calls.clear();
    EXPECT_FALSE(Connect(t, r));
    EXPECT_EQ(calls, (Calls{"T:out", "R:in", "R:hwRx<T", "R:inRelease", "T:outRelease"}));
    EXPECT_EQ(r.GetSource(), nullptr);
}

TEST_F(SlotRules, GoingSilentDisconnectsEveryReceiver) {
    Probe t("T"), r1("R1"), r2("R2"), r3("R3");
    for (Probe* r : {&r1, &r2, &r3}) ASSERT_TRUE(Connect(t, *r));
    calls.clear();
    t.OnChangeOutputStream(false);
    EXPECT_TRUE(t.GetReceivers().empty());
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "T:outRelease"), 1);
    EXPECT_EQ(calls.size(), 3u * 2u + 1u);
    for (Probe* r : {&r1, &r2, &r3}) {
        EXPECT_EQ(r->GetSource(), nullptr);
        EXPECT_TRUE(r->GetInputStream());
    }
}

}  // namespace
