// The HDLC channel on the simulated MCC driver, driven by the main loop: a
// user that records every callback sees each frame, the transmitter's
// readiness and the channel's end exactly as often as they happen.
#include "hardware/sim/BoardSim.h"
#include "hardware/HDLC.h"
#include "hardware/HwMux.h"
#include "runtime/Packet.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

struct HdlcTest : ::testing::Test, HDLC::Notify {
    HdlcTest() {
        ::setenv("HALVOXD_BOARD", "sim", 1);
        sim = Board::simulation();
        if (sim) sim->Reset();
        hdlc.bind(this);
        hdlc.trunk(1);
        hdlc.params({1, 16, 5, 8200, 2});
    }
    // Activation opened the process's switch: the cases after these find it closed.
    ~HdlcTest() override { HwMux::instance().Close(); }
    void SetUp() override { ASSERT_NE(sim, nullptr) << "the simulated board is not built in"; }

    void on_hdlc_receive(Packet& frame) override {
        calls.push_back("rx " + frame.text());
        if (closeOnReceive) hdlc.deactivate();
    }
    void on_hdlc_error(Cause::Type cause) override {
        calls.push_back("error " + std::to_string(cause));
    }
    void on_hdlc_ready() override { calls.push_back("ready"); }

    std::string Ask(const std::string& line) { return sim->Command(line); }
    // The callbacks of a few loop iterations.
    Strings Run() {
        LoopDriver().Run(5);
        return std::exchange(calls, {});
    }
    // txSU txDiscard txError txOverflow rxSU
    std::vector<unsigned> Counts() {
        const HDLC::Statistics& s = hdlc.statistics();
        return {s.txSU, s.txDiscard, s.txError, s.txOverflow, s.rxSU};
    }
    bool Send(const char* octets) {
        Packet frame;
        frame.reserve_head(0);
        std::memcpy(frame.put(unsigned(std::strlen(octets))), octets, std::strlen(octets));
        return hdlc.hdlc_transmit(frame);
    }

    Board::Sim* sim = nullptr;
    HDLC hdlc;
    Strings calls;
    bool closeOnReceive = false;
};

TEST_F(HdlcTest, EachModeAllocatesAndRoutesItsWay) {
    const struct {
        unsigned mode;
        const char* seen;  // the allocation, then the routes of 5, 8200 and the controller
    } table[] = {
        {0, "4096:3, 5 from 4096, 8200 off, 4096 from 5"},
        {1, "4096:0, 5 from 4096, 8200 off, 4096 from 5"},
        {2, "4096:1, 5 off, 8200 from 4096, 4096 from 5"},
    };
    for (const auto& row : table) {
        sim->Reset();
        hdlc.params({1, 16, 5, 8200, row.mode});
        ASSERT_TRUE(hdlc.activate()) << row.mode;
        EXPECT_EQ(row.seen, Ask("/dev/mcc/ctl channels") + ", " + Ask("/dev/hal route 5") + ", " +
                                Ask("/dev/hal route 8200") + ", " + Ask("/dev/hal route 4096"));
    }
}

TEST_F(HdlcTest, FramesReadinessAndTheEnd) {
    ASSERT_TRUE(hdlc.activate());
    EXPECT_EQ(Strings{"ready"}, Run());
    EXPECT_EQ(Strings{}, Run());
    ASSERT_EQ("ok", Ask("/dev/mcc/ctl rx 4096 7E 01"));
    EXPECT_EQ(Strings{"rx 7E 01"}, Run());

    // The driver holds four frames: the fifth waits for room.
    for (const char* frame : {"a", "b", "c", "d"}) EXPECT_TRUE(Send(frame));
    EXPECT_FALSE(Send("e"));
    EXPECT_EQ(Strings{}, Run());
    EXPECT_EQ("61", Ask("/dev/mcc/ctl tx 4096"));
    EXPECT_EQ(Strings{"ready"}, Run());
    EXPECT_TRUE(Send("e"));
    EXPECT_EQ((std::vector<unsigned>{5, 0, 0, 0, 1}), Counts());

    // A restart releases the first channel and counts afresh. A user that
    // closes the channel on a frame ends the pass there, quietly.
    ASSERT_TRUE(hdlc.activate());
    EXPECT_EQ("4096:1", Ask("/dev/mcc/ctl channels"));
    EXPECT_EQ((std::vector<unsigned>{0, 0, 0, 0, 0}), Counts());
    closeOnReceive = true;
    ASSERT_EQ("ok", Ask("/dev/mcc/ctl rx 4096 01"));
    ASSERT_EQ("ok", Ask("/dev/mcc/ctl rx 4096 02"));
    TestSupport::StreamCapture errors(std::cerr);
    EXPECT_EQ(Strings{"rx 01"}, Run());
    // The end comes before the transmitter is ready, and nothing follows it.
    ASSERT_TRUE(hdlc.activate());
    ASSERT_EQ("ok", Ask("/dev/mcc/ctl hangup 4096"));
    EXPECT_EQ(Strings{"error 0"}, Run());
    EXPECT_EQ("hdlc [1/16]: read error: device closed\n", errors.str());
    EXPECT_FALSE(Send("f"));
    EXPECT_EQ((std::vector<unsigned>{0, 1, 0, 0, 0}), Counts());
}

// The last request failing shows what every failure leaves: a closed channel.
TEST_F(HdlcTest, AFailedActivationLeavesItClosed) {
    EXPECT_TRUE(Send(""));
    EXPECT_FALSE(Send("x"));
    ASSERT_EQ("ok", Ask("fail /dev/mcc/ctl 0x20004d02 EIO once"));
    TestSupport::StreamCapture errors(std::cerr);
    EXPECT_FALSE(hdlc.activate());
    EXPECT_EQ("hdlc [1/16]: MCC_TIMESLOT fail: Input/output error\n", errors.str());
    EXPECT_EQ((std::vector<unsigned>{0, 0, 0, 0, 0}), Counts());
    EXPECT_EQ("0", Ask("opens /dev/mcc/ctl"));
}

}  // namespace
