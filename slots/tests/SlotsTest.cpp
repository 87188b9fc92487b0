// The Slots service in process: commands built as values and dispatched by
// a controller server whose answers a plain TCP peer reads and decodes with
// the test controller's own coding.
#include "control/tests/TransportHarness.h"
#include "slots/Slot.h"
#include "slots/SlotFactory.h"
#include "slots/Slots.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <iomanip>
#include <sstream>

using namespace TransportTest;
using Strings = std::vector<std::string>;

namespace {

std::vector<std::string> calls;

// A slot kind whose release finishes only when the test says so.
struct SlowSlot : Slot {
    SlowSlot() { ++alive; }
    ~SlowSlot() override { --alive; }
    bool IBeforeDestroy() override { return !deferred; }
    bool IOnOutputStream() override { return true; }
    bool IOnInputStream() override { return true; }
    bool IHwConnectReceiver(Slot&) override { return hwConnect; }
    bool IHwDisconnectTransmitter(Slot&) override { return hwDisconnect; }
    const char* GetName() const override { return "slow"; }

    static int alive;
    bool deferred = true;
    bool hwConnect = true;
    bool hwDisconnect = true;
};
int SlowSlot::alive = 0;

// Makes slow slots for `spi-tdm`, which no factory of the board takes.
struct SlowFactory : SlotFactory {
    explicit SlowFactory(const char* name) : name(name) {}
    const char* GetName() const override { return name; }
    Slot* INewSlot(const LGCP::CreateParams& p) override {
        return p.spi_tdm_isSelected() ? new SlowSlot : nullptr;
    }
    void Query(LGCP::Resources&) override { calls.push_back(std::string(name) + ":query"); }
    void SelfSignal(const LGCP::Signal&) override {
        calls.push_back(std::string(name) + ":signal");
    }
    const char* name;
};

SlowFactory& First() {
    static SlowFactory f("first");
    return f;
}
SlowFactory& Second() {
    static SlowFactory f("second");
    return f;
}

// Another service, to send the signals the E1 service sends.
struct Reporter : CtrlSrv::Service {
    void OnConnect() override {}
    void OnDisconnect() override {}
    bool OnCommand(const LGCP::Command&) override { return false; }
};

class SlotsService : public ServerLink {
protected:
    void SetUp() override {
        ServerLink::SetUp();
        if (IsSkipped()) return;
        First();
        Second();
        Start({&Slots::instance(), &reporter});
        ASSERT_TRUE(Answers().empty());
        calls.clear();
    }

    // Dispatches one command (with seq, and slot unless negative); the answers sent meanwhile.
    Strings Send(int seq, int slot, const std::function<void(LGCP::Command&)>& fill) {
        LGCP::Message m;
        m.set_seq(seq);
        if (slot >= 0) m.set_slot(unsigned(slot));
        fill(m.set_pdu().select_command());
        server.OnMessage(m);
        RunFor(30);
        return Answers();
    }
    Strings Create(int seq, int slot) {
        return Send(seq, slot, [](LGCP::Command& c) { c.select_create().select_spi_tdm(); });
    }
    Strings Destroy(int seq, int slot) {
        return Send(seq, slot, [](LGCP::Command& c) { c.select_destroy(); });
    }
    SlowSlot& At(unsigned number) { return static_cast<SlowSlot&>(*Slots::instance().Get(number)); }

    Reporter reporter;
};

TEST_F(SlotsService, ADeferredDestroyIsAnsweredOnceWhenTheSlotIsReleased) {
    ASSERT_EQ(Strings{"success seq=1 slot=7"}, Create(1, 7));
    EXPECT_EQ(Strings{}, Destroy(42, 7));
    EXPECT_TRUE(At(7).is_releasing());
    EXPECT_EQ(Strings{"error 12 seq=2 slot=7"}, Create(2, 7));
    EXPECT_EQ(Strings{"error 12 seq=3 slot=7"}, Destroy(3, 7));
    ASSERT_EQ(Strings{"success seq=4 slot=8"}, Create(4, 8));
    EXPECT_EQ(Strings{"error 12 seq=5 slot=8"},
              Send(5, 8, [](LGCP::Command& c) { c.select_connect(7); }));

    At(7).on_release();
    RunFor(30);
    EXPECT_EQ(Strings{"success seq=42 slot=7"}, Answers());
    EXPECT_EQ(nullptr, Slots::instance().Get(7));
    EXPECT_EQ(1, SlowSlot::alive);
    EXPECT_EQ(1u, First().GetSlots().size() + Second().GetSlots().size());
    EXPECT_EQ(Strings{"error 3 seq=6 slot=7"}, Destroy(6, 7));
}

TEST_F(SlotsService, CreateOnANumberWhoseSlotCannotGoAtOnce) {
    ASSERT_EQ(Strings{"success seq=1 slot=8"}, Create(1, 8));
    EXPECT_EQ(Strings{"error 11 seq=2 slot=8"}, Create(2, 8));
    EXPECT_EQ(Strings{"error 12 seq=3 slot=8"}, Create(3, 8));
    // Destroyed by a create: no answer is owed.
    At(8).on_release();
    RunFor(30);
    EXPECT_EQ(Strings{}, Answers());
    ASSERT_EQ(Strings{"success seq=4 slot=8"}, Create(4, 8));
    // A slot that goes at once is replaced with one answer.
    At(8).deferred = false;
    EXPECT_EQ(Strings{"success seq=5 slot=8"}, Create(5, 8));
    EXPECT_EQ(1, SlowSlot::alive);
}

TEST_F(SlotsService, TheLinkDropDeletesPendingSlotsAfterASecond) {
    ASSERT_EQ(Strings{"success seq=1 slot=9"}, Create(1, 9));
    ASSERT_EQ(Strings{"success seq=2 slot=10"}, Create(2, 10));
    ASSERT_EQ(Strings{"success seq=3 slot=11"}, Create(3, 11));
    At(10).deferred = false;
    EXPECT_EQ(Strings{}, Destroy(4, 9));
    EXPECT_EQ(3, SlowSlot::alive);

    const auto start = std::chrono::steady_clock::now();
    peer.Close();
    ASSERT_TRUE(RunUntil([] { return SlowSlot::alive == 0; }, 3000));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_TRUE(Slots::instance().Live().empty());
    for (unsigned n : {9, 10, 11}) EXPECT_EQ(nullptr, Slots::instance().Get(n));
    EXPECT_TRUE(First().GetSlots().empty() && Second().GetSlots().empty());
}

TEST_F(SlotsService, ALinkDropWithNothingReleasingStillHoldsTheLoopASecond) {
    ASSERT_EQ(Strings{"success seq=1 slot=9"}, Create(1, 9));
    At(9).deferred = false;
    const auto start = std::chrono::steady_clock::now();
    peer.Close();
    ASSERT_TRUE(RunUntil([] { return SlowSlot::alive == 0; }, 3000));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

TEST_F(SlotsService, CommandErrors) {
    ASSERT_EQ(Strings{"success seq=1 slot=1"}, Create(1, 1));
    ASSERT_EQ(Strings{"success seq=2 slot=2"}, Create(2, 2));
    using Fill = std::function<void(LGCP::Command&)>;
    const Fill connectTo2 = [](LGCP::Command& c) { c.select_connect(2); };
    const struct {
        int slot;
        Fill fill;
        std::function<void()> before;
        std::string answer;
        // Stream announcements that go out before the answer.
        Strings signals = {};
    } table[] = {
        {5, [](LGCP::Command& c) { c.select_connect(1024); }, nullptr, "error 2"},
        {1, [](LGCP::Command& c) { c.select_connect(5); }, nullptr, "error 3"},
        {1, [](LGCP::Command& c) { c.select_connect(1023); }, nullptr, "error 3"},
        {1,
         connectTo2,
         [&] { At(2).hwConnect = false; },
         "error 9",
         {"signal 10 active -1 slot=1", "signal 9 active -1 slot=2"}},
        {1, connectTo2, [&] { At(2).hwConnect = true; }, "success"},
        {1, connectTo2, [&] { At(2).hwConnect = false; }, "success"},
        {2, [](LGCP::Command& c) { c.select_disconnect(); }, [&] { At(1).hwDisconnect = false; },
         "error 8"},
        {2, [](LGCP::Command& c) { c.select_disconnect(); }, nullptr, "success"},
        {5, [](LGCP::Command& c) { c.select_disconnect(); }, nullptr, "error 3"},
        {1, [](LGCP::Command& c) { c.select_ioctl().select_deactivateRecord(); }, nullptr,
         "error 6"},
    };
    int seq = 10;
    for (const auto& row : table) {
        if (row.before) row.before();
        ++seq;
        const std::string tail =
            " seq=" + std::to_string(seq) + " slot=" + std::to_string(row.slot);
        Strings expected = row.signals;
        expected.push_back(row.answer + tail);
        EXPECT_EQ(expected, Send(seq, row.slot, row.fill)) << seq;
    }
    // A failed disconnect still unlinks.
    EXPECT_EQ(nullptr, At(2).GetSource());
    // A destroyed receiver leaves its transmitter first.
    At(2).hwConnect = true;
    ASSERT_EQ(Strings{"success seq=30 slot=1"}, Send(30, 1, connectTo2));
    Destroy(31, 2);
    EXPECT_TRUE(At(1).GetReceivers().empty());
    std::ostringstream name;
    name << At(1) << ' ' << std::setw(3) << 4;
    EXPECT_EQ("01:slow   4", name.str());
}

TEST_F(SlotsService, QueryAndTrunkStatusReachEveryFactoryInChainOrder) {
    EXPECT_EQ((Strings{"success seq=1", "signal 0"}),
              Send(1, -1, [](LGCP::Command& c) { c.select_query(); }));
    EXPECT_EQ((Strings{"second:query", "first:query"}), calls);
    calls.clear();
    LGCP::Signal trunk;
    trunk.select_trunkStatus();
    reporter.SendSignal(trunk);
    LGCP::Signal other;
    other.select_activated();
    reporter.SendSignal(other);
    EXPECT_EQ((Strings{"second:signal", "first:signal"}), calls);
}

}  // namespace
