// Each board service that watches a device it opened checks that the watch
// could have its own copy of the descriptor: short of descriptors the device
// counts as one that did not open (closed, reported, opened again at its next
// use), and nothing is left that nobody hears.
#include "hardware/DSProcReceiverService.h"
#include "hardware/E1Ctl.h"
#include "hardware/HDLC.h"
#include "hardware/HwMux.h"
#include "hardware/TonecReceiverService.h"
#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimControl.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/BoardControlClient.h"
#include "tests/support/DescriptorLimit.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>

namespace {

struct Quiet : HDLC::Notify {
    void on_hdlc_receive(Packet&) override {}
    void on_hdlc_error(Cause::Type) override {}
    void on_hdlc_ready() override {}
};

}  // namespace

TEST(WatchShortOfDescriptors, ADeviceItsWatchCannotCopyCountsAsNotOpened) {
    ::setenv("HALVOXD_BOARD", "sim", 1);
    Board::Sim* sim = Board::simulation();
    ASSERT_NE(sim, nullptr) << "the simulated board is not built in";
    sim->Reset();
    auto& tonec = Hardware::TonecReceiverService::instance();
    auto& dsproc = Hardware::DSProcReceiverService::instance();
    auto e1 = std::make_unique<E1Ctl>();
    Quiet user;
    HDLC hdlc;
    hdlc.bind(&user);
    hdlc.trunk(1);
    hdlc.params({1, 16, 5, 8200, 2});
    TestSupport::TempDir dir;
    Board::SimControl control(*sim, dir / "ctl");
    ASSERT_TRUE(control.IsListening());
    std::optional<TestSupport::BoardControlClient> client;
    auto opens = [&](const char* path) { return sim->Command(std::string("opens ") + path); };

    const struct {
        const char* what;
        unsigned spare;  // what opening or connecting makes, but not the watch's copy
        std::function<bool()> start;  // true when it opened, or heard the client
        const char* line;
        std::function<std::string()> left;  // what is left once it failed
        const char* nothing;
    } rows[] = {
        {"tone events", 2, [&] { return tonec.init(); },
         "open tonec fail, DTMF proceeding disabled: Too many open files\n",
         [&] { return opens("/dev/dtmf"); }, "0"},
        {"voice-processing events", 2, [&] { return dsproc.init(); },
         "open dsproc fail, VAD proceeding disabled: Too many open files\n",
         [&] { return opens("/dev/dsp"); }, "0"},
        {"CAS", 2, [&] { return e1->CheckOpenCas(); }, "", [&] { return opens("/dev/e1-cas"); },
         "0"},
        // The switch paths are undone: their channels carry the idle octet.
        {"HDLC channel", 2, [&] { return hdlc.activate(); },
         "hdlc [1/16]: fail to watch MCC device: Too many open files\n",
         [&] {
             return opens("/dev/mcc/ctl") + ", " + sim->Command("/dev/hal route 8200") + ", " +
                    sim->Command("/dev/hal route 4096");
         },
         "0, 8200 const 0xD5, 4096 const 0xD5"},
        // The client's socket and the one accepted.
        {"simulation control client", 2,
         [&] {
             client.emplace(dir / "ctl");
             return client->Ask("opens /dev/hal", 2000, [] { LoopDriver().Run(2); }) !=
                    TestSupport::BoardControlClient::noReply;
         },
         "", [&] { return std::to_string(control.Clients()); }, "0"},
    };
    // Each path taken once, and a line written, while descriptors are left:
    // the sanitizers see it. The services then give their devices up.
    {
        TestSupport::StreamCapture quiet(std::cerr), trace(std::clog);
        std::cerr << std::endl;
        for (const auto& row : rows) ASSERT_TRUE(row.start()) << row.what;
        tonec.OnEvent(-1, POLLHUP);
        dsproc.OnEvent(-1, POLLHUP);
        e1 = std::make_unique<E1Ctl>();
        hdlc.deactivate();
        client.reset();
        sim->Reset();
        LoopDriver().Run(3);
    }
    for (const auto& row : rows) {
        // The simulation frees its ends of the devices given up when it next
        // looks: now, not inside the row, where that would make room.
        opens("/dev/hal");
        TestSupport::StreamCapture errors(std::cerr), trace(std::clog);
        bool started;
        {
            TestSupport::DescriptorLimit limit(row.spare);
            started = row.start();
        }
        EXPECT_FALSE(started) << row.what;
        EXPECT_EQ(row.line, errors.str()) << row.what;
        EXPECT_EQ(std::string::npos, trace.str().find("cas interface opened!")) << row.what;
        EXPECT_EQ(row.nothing, row.left()) << row.what;
        EXPECT_TRUE(row.start()) << row.what << ", with descriptors back";
    }
    hdlc.deactivate();
    client.reset();
    HwMux::instance().Close();
}
