// The clock, E1 CAS and SPI line services in process on the simulated board;
// the E1 service bound to a server of its own beside a recorder of its signals.
#include "control/CtrlSrvServer.h"
#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimE1Cas.h"
#include "hardware/BusCtl.h"
#include "hardware/E1Ctl.h"
#include "hardware/E1Driver.h"
#include "hardware/spiCtrl.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

// Hears the cas signals: "path timeslot rx N tx N".
struct Recorder : CtrlSrv::Service {
    void OnConnect() override {}
    void OnDisconnect() override {}
    bool OnCommand(const LGCP::Command&) override { return false; }
    void OnSignal(const LGCP::Signal& s) override {
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

TEST_F(BoardServices, AHungUpCasDeviceIsGivenUpAndReopenedAtTheNextUse) {
    ASSERT_TRUE(e1.CheckOpenCas());
    // Left watched, the hung-up descriptor would wake every iteration.
    sim->Model<Board::SimE1Cas>("/dev/e1-cas").Hangup();
    LoopDriver().Run(3);
    EXPECT_EQ(0u, sim->OpenCount("/dev/e1-cas"));
    e1.HandleCas(Cas(get, 0, 1, 0));
    EXPECT_EQ(1u, sim->OpenCount("/dev/e1-cas"));
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
        {false, false, -1, "none", ""},
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

}  // namespace
