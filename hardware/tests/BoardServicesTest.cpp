// The clock, E1 CAS and SPI line services in process on the simulated board;
// the E1 service bound to a server of its own beside a recorder of its signals.
#include "control/ControlService.h"
#include "control/CtrlSrvServer.h"
#include "control/tests/TransportHarness.h"
#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimE1Cas.h"
#include "hardware/BusCtl.h"
#include "hardware/E1Ctl.h"
#include "hardware/E1Driver.h"
#include "hardware/HalDriver.h"
#include "hardware/spiCtrl.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/e2e/LgcpWire.h"
#include "tests/support/StreamCapture.h"

#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>

namespace {

using Strings = std::vector<std::string>;

// Hears the cas signals, "path timeslot rx N tx N", and the trunk status,
// "trunk N slips N".
struct Recorder : CtrlSrv::Service {
    void OnConnect() override {}
    void OnDisconnect() override {}
    bool OnCommand(const LGCP::Command&) override { return false; }
    void OnSignal(const LGCP::Signal& s) override {
        if (s.trunkStatus_isSelected()) {
            const ACP::TrunkStatus& t = s.get_trunkStatus();
            seen.push_back("trunk " + std::to_string(t.get_trunk().getValue()) + " slips " +
                           std::to_string(t.get_slips().getValue()));
            return;
        }
        const LGCP::CasSignalling& c = s.get_cas();
        seen.push_back(std::to_string(c.get_channel().get_path().getValue()) + " " +
                       std::to_string(c.get_channel().get_timeslot().getValue()) + " rx " +
                       std::to_string(c.get_rx().getValue()) + " tx " +
                       std::to_string(c.get_tx().getValue()));
    }
    Strings seen;
};

enum Op { open, close, set, get };

LGCP::IoctlParams Cas(Op op, int path, int timeslot, int value) {
    LGCP::IoctlParams params;
    LGCP::CasCommand& command = params.select_cas();
    command.set_channel().set_path(path);
    command.set_channel().set_timeslot(timeslot);
    LGCP::CasCommandSignal& cmd = command.set_cmd();
    if (op == open) cmd.select_open(value);
    if (op == close) cmd.select_close();
    if (op == set) cmd.select_set(value);
    if (op == get) cmd.select_get();
    return params;
}

struct BoardServices : ::testing::Test {
    BoardServices() {
        ::setenv("HALVOXD_BOARD", "sim", 1);
        sim = Board::simulation();
        if (sim) sim->Reset();
    }
    void SetUp() override {
        ASSERT_NE(sim, nullptr) << "the simulated board is not built in";
        server.Bind(&e1);
        server.Bind(&recorder);
    }
    std::string Ask(const std::string& line) { return sim->Command(line); }

    Board::Sim* sim = nullptr;
    // The answers and signals have no controller to go to.
    TestSupport::StreamCapture errors{std::cerr};
    CtrlSrv::Server server;
    E1Ctl e1;
    Recorder recorder;
};

TEST_F(BoardServices, CasCommandsReportWhatTheDriverDid) {
    const struct {
        Op op;
        int path, timeslot, value;
        unsigned long failing;  // a request the driver refuses once
        Strings signals;
    } rows[] = {
        {get, 0, 1, 0, 0, {}},  // never opened
        {close, 0, 1, 0, 0, {}},
        {open, 4, 1, 0, 0, {}},
        {open, 0, 16, 3, 0, {"0 0 rx 0 tx 0"}},  // the trunk only
        {open, 0, 0, 3, 0, {"0 0 rx 0 tx 0"}},   // open already
        {open, 0, 2, 0x1F, 0, {"0 0 rx 0 tx 0", "0 2 rx 0 tx 15"}},
        {set, 0, 2, 0x13, 0, {"0 2 rx 0 tx 3"}},
        {set, 0, 2, 1, E1Driver::SetChannel, {"0 2 rx -1 tx 0"}},
        {close, 0, 2, 0, 0, {"0 2 rx -1 tx 1"}},
        {close, 0, 0, 0, 0, {"0 0 rx 1 tx 0"}},
        {get, 0, 2, 0, 0, {}},  // closed again
        {open, 1, 5, 2, E1Driver::OpenTrunk, {"1 0 rx -1 tx 0"}},
    };
    int row = 0;
    for (const auto& r : rows) {
        recorder.seen.clear();
        if (r.failing) sim->FailRequest("/dev/e1-cas", r.failing, EIO, true);
        e1.HandleCas(Cas(r.op, r.path, r.timeslot, r.value));
        EXPECT_EQ(r.signals, recorder.seen) << "row " << row++;
    }
    EXPECT_EQ("rx 0x0 tx 0x3 disabled", Ask("/dev/e1-cas channel 0 2"));
}

// A trunk the driver refuses to open is reported with the driver's result and
// its line names the error, one line a second for each trunk.
TEST_F(BoardServices, ARefusedTrunkOpenNamesItsErrorOnceASecondPerTrunk) {
    FakeClock clock;
    ASSERT_TRUE(e1.CheckOpenCas());
    sim->FailRequest("/dev/e1-cas", E1Driver::OpenTrunk, EIO, false);
    TestSupport::StreamCapture log(std::clog);
    for (int trunk : {1, 1, 2, 1}) e1.HandleCas(Cas(open, trunk, 0, 0));
    clock.advanceMs(1000);
    e1.HandleCas(Cas(open, 1, 0, 0));
    auto line = [](const char* trunk) {
        return "E1: open cas signalling on trunk(" + std::string(trunk) +
               ") - fail(-1) [cause=Input/output error]\n";
    };
    EXPECT_EQ(line("1") + line("2") + line("1"), log.str());
    EXPECT_EQ(std::size_t(5), recorder.seen.size());
}

// An open that finds no device is answered as one the driver refused, so that
// the controller asks again; a burst of them is one line a second.
TEST_F(BoardServices, ACasOpenWithoutTheDeviceIsReportedFailed) {
    FakeClock clock;
    TestSupport::StreamCapture log(std::cerr);
    ASSERT_EQ("ok", Ask("fail open /dev/e1-cas ENODEV"));
    e1.HandleCas(Cas(open, 1, 5, 2));
    e1.HandleCas(Cas(open, 3, 0, 0));
    clock.advanceMs(1000);
    e1.HandleCas(Cas(open, 1, 5, 2));
    e1.HandleCas(Cas(get, 1, 5, 0));
    EXPECT_EQ((Strings{"1 0 rx -19 tx 0", "3 0 rx -19 tx 0", "1 0 rx -19 tx 0"}), recorder.seen);
    const std::string line = "E1: fail to open /dev/e1-cas: No such device\n";
    EXPECT_EQ(line + line, log.str());
    ASSERT_EQ("ok", Ask("fail clear"));
    recorder.seen.clear();
    e1.HandleCas(Cas(open, 1, 5, 2));
    EXPECT_EQ((Strings{"1 0 rx 0 tx 0", "1 5 rx 0 tx 2"}), recorder.seen);
}

// A driver that hangs up, or whose reads fail while it reports data, is given
// up after one line (left watched, it would wake every iteration) and opened
// again at the next use, with no trunk open. Each trunk that was open is
// reported failed, so that the controller opens it again.
TEST_F(BoardServices, AGoneCasDeviceIsGivenUpAndReopenedWithItsTrunksClosed) {
    auto& cas = sim->Model<Board::SimE1Cas>("/dev/e1-cas");
    const struct {
        const char* name;
        std::function<void()> fault;
        std::string line;
        Strings reports;
    } rows[] = {
        {"hang-up",
         [&] { cas.Hangup(); },
         "fail to read from /dev/e1-cas: end of stream\n",
         {"0 0 rx -19 tx 0", "2 0 rx -19 tx 0"}},  // ENODEV
        {"read error",
         [&] {
             sim->FailRead("/dev/e1-cas", EIO, false);
             ASSERT_EQ("ok", Ask("/dev/e1-cas change 0 1 9"));
         },
         "fail to read from /dev/e1-cas: Input/output error\n",
         {"0 0 rx -5 tx 0", "2 0 rx -5 tx 0"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        e1.HandleCas(Cas(open, 0, 16, 0));
        e1.HandleCas(Cas(open, 2, 0, 0));
        cas.ClearHistory();
        recorder.seen.clear();
        row.fault();
        {
            TestSupport::StreamCapture log(std::cerr);
            LoopDriver().Run(5);
            EXPECT_EQ(row.line, log.str());
        }
        EXPECT_EQ(row.reports, recorder.seen);
        EXPECT_EQ(0u, sim->OpenCount("/dev/e1-cas"));
        sim->ClearFaults();
        e1.HandleCas(Cas(open, 0, 16, 0));
        EXPECT_EQ(1u, sim->OpenCount("/dev/e1-cas"));
        EXPECT_EQ(1u, cas.Count(E1Driver::OpenTrunk));
    }
}

// A slave bit whose mask the device refuses as invalid goes with it: no
// later mask carries it; refused so at its retry, every bit the mask set that
// the device never took goes, those of the mask it replaced included.
TEST_F(BoardServices, EachConnectStartsWithNoTclkSlave) {
    FakeClock clock;
    e1.OnConnect();
    LGCP::TrunkCfg slave;
    slave.set_trunk(1);
    slave.set_mode(LGCP::TrunkMode::slave);
    e1.SetMode(slave);
    e1.OnConnect();
    ASSERT_EQ("ok", Ask("fail /dev/maintenance 0xc0044d0b EINVAL once"));
    slave.set_trunk(3);
    e1.SetMode(slave);
    slave.set_trunk(1);
    e1.SetMode(slave);
    EXPECT_EQ("0x0 0x2 0x0 0x2", Ask("/dev/maintenance tclk"));

    for (const char* error : {"EIO", "EIO", "EINVAL"})
        ASSERT_EQ("ok", Ask(std::string("fail /dev/maintenance 0xc0044d0b ") + error + " once"));
    slave.set_trunk(0);
    e1.SetMode(slave);
    slave.set_trunk(2);
    e1.SetMode(slave);
    clock.advanceMs(1000);
    LoopDriver().Run(1);
    LGCP::TrunkCfg master;
    master.set_trunk(1);
    master.set_mode(LGCP::TrunkMode::master);
    e1.SetMode(master);
    EXPECT_EQ("0x0 0x2 0x0 0x2 0x0", Ask("/dev/maintenance tclk"));
}

// A mask refused as invalid that sets a bit the device never took is an ask
// the board will never take: it is sent once, and the bits it falls on leave
// the mask kept (those it set, while what the key owed before stays owed;
// else those the device never took), while every clear it carried stays.
// Each row runs from a connect; from its step "invalid" on, the board
// refuses as invalid every mask with trunk 3 slave, for good ("invalid
// once": the next mask only).
TEST_F(BoardServices, AMaskRefusedAsInvalidTakesOnlyItsNewBitsAway) {
    FakeClock clock;
    using Step = std::function<void(E1Ctl&)>;
    unsigned refusals = 0;
    auto refusing = [&](unsigned long bits, bool once) {
        return [&, bits, once](E1Ctl&) {
            sim->FailRequest("/dev/maintenance", E1Driver::SetTclk, EINVAL, once,
                             [&refusals, bits](const void* value) {
                                 if ((*static_cast<const unsigned long*>(value) & bits) != bits)
                                     return false;
                                 ++refusals;
                                 return true;
                             });
        };
    };
    const Step invalid = refusing(0x8, false), invalidOnce = refusing(0, true);
    auto mode = [](int trunk, LGCP::TrunkMode::NamedNumber to) {
        return [trunk, to](E1Ctl& trunks) {
            LGCP::TrunkCfg cfg;
            cfg.set_trunk(trunk);
            cfg.set_mode(to);
            trunks.SetMode(cfg);
        };
    };
    auto slave = [&](int trunk) { return mode(trunk, LGCP::TrunkMode::slave); };
    auto master = [&](int trunk) { return mode(trunk, LGCP::TrunkMode::master); };
    const Step refusedOnce = [this](E1Ctl&) {
        ASSERT_EQ("ok", Ask("fail /dev/maintenance 0xc0044d0b EIO once"));
    };
    const Step poll = [&](E1Ctl&) {
        clock.advanceMs(E1Ctl::pollMs);
        LoopDriver().Run(1);
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::string masks;
    } rows[] = {
        // The clear of trunk 0, owed, stays owed, and is taken at the poll.
        {"beside an owed clear",
         {slave(0), slave(2), refusedOnce, master(0), invalid, slave(3), poll, slave(1)},
         "0x0 0x1 0x5 0x4 0x6"},
        // The slave bit of trunk 0, owed, is none the device refused.
        {"beside an owed slave bit",
         {refusedOnce, slave(0), invalid, slave(3), poll, slave(2)},
         "0x0 0x1 0x5"},
        // At its retry nothing is owed any more: the clear it replaced is
        // sent again.
        {"at its retry",
         {slave(0), slave(2), refusedOnce, refusedOnce, master(0), slave(3), invalid, poll,
          slave(1)},
         "0x0 0x1 0x5 0x4 0x6"},
        // The clear of trunk 0 stays the last word for it; trunk 2's slave
        // bit rode in the mask refused, which the device never took.
        {"a clear beside an owed slave bit, in one burst",
         {slave(0), refusedOnce, invalidOnce, slave(2), master(0)},
         "0x0 0x1 0x0"},
        {"a clear beside an owed slave bit, refused for good",
         {slave(0), refusedOnce, refusing(0x4, false), slave(2), master(0)},
         "0x0 0x1 0x0"},
        // It clears no bit the device holds: nothing is left to undo.
        {"a clear of a slave bit never taken",
         {refusedOnce, slave(0), invalidOnce, master(0)},
         "0x0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim->Reset();
        refusals = 0;
        // Its own service, so that no row inherits what another left owed.
        E1Ctl trunks;
        trunks.OnConnect();
        for (const Step& step : row.steps) step(trunks);
        for (int second = 0; second < 3; ++second) poll(trunks);
        EXPECT_EQ(row.masks, Ask("/dev/maintenance tclk"));
        EXPECT_EQ(1u, refusals);
    }
}

// The mask waits for a device that cannot be opened, then for one that
// refuses it, and is written again each second until it is taken. Each
// failure writes its line once: the open's, and the mask's own, which says
// the device did not open; a new ask within the second, and the retries
// meeting the same error, say nothing new.
TEST_F(BoardServices, TheTclkMaskIsWrittenAtEachPollUntilTheDeviceTakesIt) {
    FakeClock clock;
    auto poll = [&] {
        clock.advanceMs(E1Ctl::pollMs);
        LoopDriver().Run(1);
    };
    LGCP::TrunkCfg cfg;
    cfg.set_mode(LGCP::TrunkMode::slave);
    cfg.set_trunk(1);
    ASSERT_EQ("ok", Ask("fail open /dev/maintenance EIO"));
    {
        TestSupport::StreamCapture log(std::cerr);
        e1.OnConnect();
        e1.SetMode(cfg);
        poll();
        EXPECT_EQ(
            "E1: fail to open /dev/maintenance: Input/output error\n"
            "E1: fail to set TCLK [cause=/dev/maintenance not opened: Input/output "
            "error]\n",
            log.str());
    }
    ASSERT_EQ("ok", Ask("fail clear"));
    poll();
    EXPECT_EQ("0x2", Ask("/dev/maintenance tclk"));

    TestSupport::StreamCapture log(std::cerr);
    ASSERT_EQ("ok", Ask("fail /dev/maintenance 0xc0044d0b EIO"));
    cfg.set_trunk(3);
    e1.SetMode(cfg);
    cfg.set_trunk(1);
    cfg.set_mode(LGCP::TrunkMode::master);
    e1.SetMode(cfg);
    poll();
    // A source selected meanwhile is another request: the mask stays owed.
    e1.select_source(2);
    ASSERT_EQ("ok", Ask("fail clear"));
    poll();
    poll();
    EXPECT_EQ("0x2 0x8", Ask("/dev/maintenance tclk"));
    EXPECT_EQ("E1: fail to set TCLK [cause=Input/output error]\n", log.str());
}

// The status poll repeats by itself: a trunk whose read keeps failing writes
// its line once, and again only once it was read and fails anew, while the
// other trunks are reported each second.
TEST_F(BoardServices, AStatusReadThatKeepsFailingIsWrittenOnce) {
    FakeClock clock;
    TestSupport::StreamCapture log(std::cerr);
    ASSERT_EQ("ok", Ask("/dev/maintenance broken 2 EIO"));
    e1.OnConnect();
    // Before each poll: trunk 2 failing, failing, read, read, failing anew, failing.
    for (const char* step : {"", "", "status 2 0 0 0 0 0 0", "", "broken 2 EIO", ""}) {
        if (*step) {
            ASSERT_EQ("ok", Ask(std::string("/dev/maintenance ") + step));
        }
        clock.advanceMs(E1Ctl::pollMs);
        LoopDriver().Run(1);
    }
    const std::string line =
        "E1: synchronization status read fail, trunk = 2 cause = Input/output error\n";
    EXPECT_EQ(line + line, log.str());
    EXPECT_EQ(std::size_t(3 + 3 + 3 + 4 + 4 + 3 + 3), recorder.seen.size());
}

TEST_F(BoardServices, SelectSourceReachesTheMaintenanceDriver) {
    e1.select_source(2);
    EXPECT_EQ("2", Ask("/dev/maintenance source"));
    sim->FailRequest("/dev/maintenance", E1Driver::SelectSource, EIO, true);
    TestSupport::StreamCapture log(std::cerr);
    e1.select_source(3);
    EXPECT_EQ("E1: fail to set clock source [cause=Input/output error]\n", log.str());
}

// A controller link on one end of a socket pair: Connect() takes a new pair
// over and tells how many frames its controller end holds after f().
class PairLink : public Control::Service {
public:
    std::size_t Connect(const std::function<void()>& f) {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return 0;
        Fd daemonEnd(ends[0]);
        controller = Fd(ends[1]);
        TakeOver(daemonEnd, "pair");
        return Received(f);
    }
    std::size_t Received(const std::function<void()>& f) {
        f();
        std::string octets;
        char buffer[4096];
        for (ssize_t n;
             (n = ::recv(controller.lowlevel_fd(), buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            octets.append(buffer, std::size_t(n));
        return Lgcp::DescribeFrames(octets).size();
    }

private:
    bool ImplActivate() override { return true; }
    void ImplDeactivate() override {}
    void ImplOnDisconnect() override {}

    Fd controller;
};

// The poll goes on between controllers and the other services hear it, but
// nothing goes to the link until the next controller connects.
TEST_F(BoardServices, TheTrunkStatusGoesOnlyToAConnectedController) {
    auto* link = new PairLink;
    ASSERT_TRUE(server.Activate(link));
    EXPECT_EQ(4u, link->Connect([] {}));
    link->Disconnect();
    LoopDriver().Run(2);
    recorder.seen.clear();
    TestSupport::StreamCapture log(std::cerr);
    EXPECT_EQ(0u, link->Received([&] { e1.SendStatus(); }));
    EXPECT_EQ("", log.str());
    EXPECT_EQ(4u, recorder.seen.size());
    EXPECT_EQ(4u, link->Connect([] {}));
    server.Deactivate();
}

TEST_F(BoardServices, ClockConfigurationsSelectTheirCodes) {
    BusCtl bus;
    const struct {
        bool internal, disabled;
        int source;
        std::string clock, name;
    } rows[] = {
        {true, false, 2, "4", "freerun"}, {false, false, 2, "2", "f2"},
        {false, true, 2, "5", "X3"},      {false, false, 9, "9", "9"},  // beyond the names
        {false, false, -1, "none", ""},   {false, false, 0, "0", "f0"},
    };
    for (const auto& r : rows) {
        sim->Reset();
        TestSupport::StreamCapture log(std::cerr);
        LGCP::ClockCfg cfg;
        cfg.set_clkSel0(r.internal ? LGCP::ClkSel0::internal : LGCP::ClkSel0::external);
        cfg.set_bextEn(r.disabled ? LGCP::BExtEn::disabled : LGCP::BExtEn::enabled);
        cfg.set_source(r.source);
        bus.SetClockSrc(cfg);
        EXPECT_EQ(r.clock, Ask("/dev/hal clock"));
        const size_t named = log.str().find("clkctl: clock source = " + r.name + "\n");
        EXPECT_EQ(r.name.empty(), named == std::string::npos) << log.str();
    }
}

// The clockCfg command is answered with success whatever the driver did, so
// a select it did not take, refused or for want of the device, is asked again
// each second until it is taken; a later select, the free-running clock of a
// connect included, replaces it, and one refused as invalid is final. Each
// row: the board's fault, the asks, the fault cleared, the next second.
TEST_F(BoardServices, ASelectTheDriverDidNotTakeIsOwedUntilItIs) {
    FakeClock clock;
    const std::string refused = "clkctl: HW_CLOCK_SELECT fail. [cause=Input/output error]\n";
    const std::string invalid = "clkctl: HW_CLOCK_SELECT fail. [cause=Invalid argument]\n";
    const std::string f1 = "clkctl: clock source = f1\n";
    const std::string f2 = "clkctl: clock source = f2\n";
    const std::string freerun = "clkctl: clock source = freerun\n";
    // After select 1, taken, selects 2 to askedBound + more, refused once;
    // then every select but 2 refused as invalid.
    auto selectsPast = [&](int more) {
        return [&, more](BusCtl& bus) {
            bus.DrvSetClkSrc(1);
            Ask("fail /dev/hal 0x80044301 EIO");
            for (int code = 2; code <= more + int(BusCtl::askedBound); ++code)
                bus.DrvSetClkSrc(code);
            Ask("fail clear");
            sim->FailRequest("/dev/hal", Hal::HW_CLOCK_SELECT, EINVAL, false,
                             [](const void* code) { return *static_cast<const int*>(code) != 2; });
            clock.advanceMs(1000);
            LoopDriver().Run(1);
        };
    };
    const struct {
        const char* name;
        const char* fault;
        std::function<void(BusCtl&)> asks;
        std::string clock, log;
    } rows[] = {
        {"refused", "fail /dev/hal 0x80044301 EIO", [](BusCtl& bus) { bus.DrvSetClkSrc(2); }, "2",
         refused + f2},
        {"invalid", "fail /dev/hal 0x80044301 EINVAL", [](BusCtl& bus) { bus.DrvSetClkSrc(2); },
         "none", "clkctl: HW_CLOCK_SELECT fail. [cause=Invalid argument]\n"},
        {"a later select", "fail /dev/hal 0x80044301 EIO once",
         [](BusCtl& bus) {
             bus.DrvSetClkSrc(2);
             bus.DrvSetClkSrc(0);
         },
         "0", refused + "clkctl: clock source = f0\n"},
        // The later one, refused again and then as invalid, leaves the older.
        {"a later select the board never takes", "fail /dev/hal 0x80044301 EIO once",
         [&](BusCtl& bus) {
             bus.DrvSetClkSrc(2);
             for (const char* error : {"EIO", "EINVAL"})
                 Ask(std::string("fail /dev/hal 0x80044301 ") + error + " once");
             bus.DrvSetClkSrc(0);
             clock.advanceMs(1000);
             LoopDriver().Run(1);
         },
         "2", refused + "clkctl: HW_CLOCK_SELECT fail. [cause=Invalid argument]\n" + f2},
        // ... and the older one refused as invalid in its turn leaves what the driver took.
        {"neither select taken", "fail /dev/hal 0x80044301 EIO once",
         [&](BusCtl& bus) {
             bus.DrvSetClkSrc(2);
             for (const char* error : {"EIO", "EINVAL", "EINVAL"})
                 Ask(std::string("fail /dev/hal 0x80044301 ") + error + " once");
             bus.DrvSetClkSrc(0);
             clock.advanceMs(1000);
             LoopDriver().Run(1);
         },
         "none", refused + "clkctl: HW_CLOCK_SELECT fail. [cause=Invalid argument]\n"},
        // Three selects, each replacing the one owed; the last two refused
        // as invalid in turn leave the first, never refused so.
        {"two later selects the board never takes", "",
         [&](BusCtl& bus) {
             bus.DrvSetClkSrc(1);
             for (int code : {2, 3, 0}) {
                 Ask("fail /dev/hal 0x80044301 EIO once");
                 bus.DrvSetClkSrc(code);
             }
             for (int turn = 0; turn < 2; ++turn) Ask("fail /dev/hal 0x80044301 EINVAL once");
             clock.advanceMs(1000);
             LoopDriver().Run(1);
         },
         "2", f1 + refused + invalid + f2},
        // What was asked before the select the driver took is moot: that
        // one refused as invalid when asked again, and the one after it
        // too, the board keeps what it holds.
        {"a select asked before the one taken", "",
         [&](BusCtl& bus) {
             Ask("fail /dev/hal 0x80044301 EIO once");
             bus.DrvSetClkSrc(5);
             bus.DrvSetClkSrc(1);
             for (int code : {2, 1}) {
                 Ask("fail /dev/hal 0x80044301 EIO once");
                 bus.DrvSetClkSrc(code);
             }
             for (int turn = 0; turn < 2; ++turn) Ask("fail /dev/hal 0x80044301 EINVAL once");
             clock.advanceMs(1000);
             LoopDriver().Run(1);
         },
         "1", refused + f1 + invalid},
        // As many selects as the bound, asked after the one the driver took,
        // are all kept: refused as invalid in turn, they leave the first.
        {"as many selects as the bound", "", selectsPast(1), "2", f1 + refused + invalid + f2},
        // Past the bound the oldest select asked is forgotten: the later
        // ones, refused as invalid in turn, leave the one the driver took.
        {"more selects than the bound", "", selectsPast(2), "1", f1 + refused + invalid},
        // Refused as invalid at its ask, a select leaves the one owed before
        // it to its retry, a second after that one's refusal.
        {"a later select refused as invalid at its ask", "fail /dev/hal 0x80044301 EIO once",
         [&](BusCtl& bus) {
             bus.DrvSetClkSrc(2);
             Ask("fail /dev/hal 0x80044301 EINVAL once");
             clock.advanceMs(500);
             bus.DrvSetClkSrc(0);
             LoopDriver().Run(1);
             EXPECT_EQ("none", Ask("/dev/hal clock"));
         },
         "2", refused + invalid + f2},
        // ... unless the one owed is of the same code: refused as invalid
        // too, it is not sent again.
        {"the owed select asked again and refused as invalid", "fail /dev/hal 0x80044301 EIO once",
         [&](BusCtl& bus) {
             bus.DrvSetClkSrc(2);
             Ask("fail /dev/hal 0x80044301 EINVAL once");
             clock.advanceMs(500);
             bus.DrvSetClkSrc(2);
         },
         "none", refused + invalid},
        {"a connect", "fail /dev/hal 0x80044301 EIO once",
         [](BusCtl& bus) {
             bus.DrvSetClkSrc(2);
             bus.OnConnect();
         },
         "4",
         refused +
             "clkctl: set clock source cmd: {\n  clkSel0 internal,\n  bextEn disabled,\n  source "
             "-1\n}\n" +
             freerun},
        {"no device", "fail open /dev/hal ENOENT", [](BusCtl& bus) { bus.OnConnect(); }, "4",
         "clkctl: device open error [cause=No such file or directory]\n"
         "clkctl: set clock source fail: code 1. [cause=No such file or directory]\n" +
             freerun},
        // Three seconds of retries meeting the same error write no line again.
        {"no device for three seconds", "fail open /dev/hal ENOENT",
         [&](BusCtl& bus) {
             bus.OnConnect();
             for (int second = 0; second < 3; ++second) {
                 clock.advanceMs(1000);
                 LoopDriver().Run(1);
             }
         },
         "4",
         "clkctl: device open error [cause=No such file or directory]\n"
         "clkctl: set clock source fail: code 1. [cause=No such file or directory]\n" +
             freerun},
        // One line when the burst starts, one a second later.
        {"a burst", "fail /dev/hal 0x80044301 EIO",
         [&](BusCtl& bus) {
             for (int ask = 0; ask < 20; ++ask) {
                 bus.DrvSetClkSrc(2);
                 clock.advanceMs(75);
                 LoopDriver().Run(1);
             }
         },
         "2", refused + refused + f2},
        {"control disabled", "",
         [](BusCtl& bus) {
             bus.DisableControl();
             bus.OnConnect();
             bus.OnDisconnect();
         },
         "none", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        sim->Reset();
        BusCtl bus;
        if (*r.fault) {
            ASSERT_EQ("ok", Ask(r.fault));
        }
        TestSupport::StreamCapture log(std::cerr);
        r.asks(bus);
        ASSERT_EQ("ok", Ask("fail clear"));
        clock.advanceMs(1000);
        LoopDriver().Run(1);
        EXPECT_EQ(r.clock, Ask("/dev/hal clock"));
        EXPECT_EQ(r.log, log.str());
    }
}

TEST_F(BoardServices, SevenLinesStartAndAllEightAreLeftSlaveAndDisabled) {
    {
        spiCtrl spi;
        EXPECT_EQ("0x00", Ask("/dev/hal spi-reg 6 0x32"));
        EXPECT_EQ("none", Ask("/dev/hal spi-reg 7 0x30"));
        spi.clock(3);
        spi.clock(8);
        EXPECT_EQ("0x38", Ask("/dev/hal spi-reg 3 0x57"));
    }
    for (int line = 0; line < spiCtrl::channelCount; ++line) {
        const std::string reg = "/dev/hal spi-reg " + std::to_string(line);
        EXPECT_EQ("0x80 0x30", Ask(reg + " 0x32") + " " + Ask(reg + " 0x57")) << line;
    }
}

// Without the device the lines wait for it: each command opens it again, its
// failure written once a second with its cause, and the next open that
// succeeds starts the lines.
TEST_F(BoardServices, LinesWithoutTheDeviceStartOnceItOpens) {
    FakeClock clock;
    sim->FailOpen("/dev/hal", ENOENT, false);
    TestSupport::StreamCapture log(std::clog);
    spiCtrl spi;
    spi.clock(3);
    spi.clock(3);
    EXPECT_EQ(1u, TransportTest::Occurrences(
                      log.str(), "spi: /dev/hal open fail [cause=No such file or directory]\n"));
    sim->ClearFaults();
    spi.clock(3);
    EXPECT_EQ("0x00 0x38", Ask("/dev/hal spi-reg 3 0x32") + " " + Ask("/dev/hal spi-reg 3 0x57"));
}

// The slip bit is a latch per line: a slip shows at the first poll that finds
// it set, and again only after a poll found it clear.
TEST_F(BoardServices, ASlipThatStaysSetIsReportedOnce) {
    spiCtrl spi;
    server.Bind(&spi);
    Strings slips;
    for (const char* status : {"0xE5", "0xE5", "0xC5", "0xE5"}) {
        ASSERT_EQ("ok", Ask(std::string("/dev/hal spi-status 2 ") + status));
        recorder.seen.clear();
        spi.status();
        ASSERT_EQ(unsigned(spiCtrl::channelCount), recorder.seen.size());
        slips.push_back(recorder.seen[2]);
    }
    EXPECT_EQ((Strings{"trunk 2 slips 1", "trunk 2 slips 0", "trunk 2 slips 0", "trunk 2 slips 1"}),
              slips);
}

}  // namespace
