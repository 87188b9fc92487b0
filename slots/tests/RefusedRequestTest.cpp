// What the board holds after a request the driver refused once is what the
// controller asked for, or the create was refused: never the refused
// request's leftover. Each row, in process on the simulated board, makes
// what the controller asked for, gives the board one fault line that refuses
// one request once, carries out the controller's commands, lets the main
// loop run on the fake clock so that what is owed is sent again, and reads
// the board back through a control line. The refusal itself is logged once.
#include "control/tests/TransportHarness.h"
#include "hardware/sim/BoardSim.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "slots/ExtFactory.h"
#include "slots/Slot.h"
#include "tests/support/StreamCapture.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

using TransportTest::Occurrences;

class RefusedRequest;

struct Row {
    const char* name;
    // What the controller asked for before the fault.
    std::function<void(RefusedRequest&)> asked;
    // One line of the board's fault grammar, refusing one request once.
    const char* fault;
    // The controller's commands that meet the fault.
    std::function<void(RefusedRequest&)> commands;
    // The fake time the main loop then runs for.
    std::uint64_t loopMs;
    // The control line that reads the board back, and what it must answer.
    const char* readBack;
    const char* held;
    // The one line the refusal logs.
    const char* logged;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

// What the rows are given: the simulated board, the fake clock, the main
// loop on it, and slots made and destroyed as the controller's commands do.
class RefusedRequest : public ::testing::TestWithParam<Row> {
public:
    // Makes a slot as the create command does: its factory, then its
    // announcement; null when the factory refuses. What is still made at
    // the end is destroyed then.
    Slot* Create(SlotFactory& factory, const LGCP::CreateParams& params) {
        Slot* slot = factory.NewSlot(params);
        if (!slot) return nullptr;
        made.push_back(slot);
        slot->IAfterCreate();
        return slot;
    }
    void Destroy(Slot* slot) {
        made.erase(std::find(made.begin(), made.end(), slot));
        EXPECT_TRUE(slot->BeforeDestroy());
        delete slot;
    }
    // The slot made last.
    Slot& Last() { return *made.back(); }
    // Runs the main loop for ms of fake time, stepMs a turn, so that the
    // deferred calls and due timers run as in the daemon.
    void Loop(std::uint64_t ms) { LoopDriver(&clock, stepMs).Run(unsigned(ms / stepMs)); }

    static constexpr std::uint64_t stepMs = 10;

    Board::Sim* sim = nullptr;
    FakeClock clock;

protected:
    void SetUp() override {
        ::setenv("HALVOXD_BOARD", "sim", 1);
        sim = Board::simulation();
        ASSERT_NE(sim, nullptr) << "the simulated board is not built in";
        sim->Reset();
    }
    void TearDown() override {
        while (!made.empty()) Destroy(made.back());
        if (sim) sim->Reset();
    }

    std::vector<Slot*> made;
    // The drivers' failures and the signals that have no controller to go to.
    TestSupport::StreamCapture log{std::clog}, errors{std::cerr};
};

TEST_P(RefusedRequest, TheBoardHoldsWhatWasAsked) {
    const Row& row = GetParam();
    row.asked(*this);
    if (HasFatalFailure()) return;
    ASSERT_EQ("ok", sim->Command(row.fault));
    row.commands(*this);
    Loop(row.loopMs);
    EXPECT_EQ(row.held, sim->Command(row.readBack));
    EXPECT_EQ(1u, Occurrences(log.str() + errors.str(), std::string(row.logged) + "\n"))
        << log.str() << errors.str();
}

LGCP::CreateParams Ext(int transmitter, int receiver) {
    LGCP::CreateParams params;
    LGCP::ExtParams& ext = params.select_ext();
    ext.set_transmitter(transmitter);
    ext.set_receiver(receiver);
    return params;
}

const Row rows[] = {
    // Activate answers success whatever the driver did; a second activate
    // sends nothing, and the refresh gives the receive channel its idle octet.
    {"ExternalSlotIdleOctet",
     [](RefusedRequest& t) { ASSERT_NE(nullptr, t.Create(ExtFactory::instance(), Ext(3, 4))); },
     "fail /dev/hal 0xc0084d04 EIO once",
     [](RefusedRequest& t) {
         EXPECT_TRUE(t.Last().IActivate(TERM::TermActivateParams()));
         EXPECT_TRUE(t.Last().IActivate(TERM::TermActivateParams()));
     },
     100, "/dev/hal route 8196", "8196 const 0xD5",
     "hwMux: disconnect failed 8196 : Input/output error"},
};

INSTANTIATE_TEST_SUITE_P(Rows, RefusedRequest, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
