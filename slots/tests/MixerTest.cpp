// The mixer units and their factory in process, on the simulated board with
// its two units discovered: what a refused or half-coded create leaves in the
// driver, and how far discovery goes with a driver that does not end.
#include "hardware/sim/BoardSim.h"
#include "hardware/MixerDriver.h"
#include "slots/MixerFactory.h"
#include "slots/Slot.h"
#include "tests/support/StreamCapture.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using Mixer::MixerFactory;

// A driver that names unit 7 whatever it is asked.
struct RepeatingMixer : Board::SimDevice {
    RepeatingMixer() : SimDevice("/dev/mixer") {}
    int OnIoctl(Board::SimOpen&, unsigned long request, void* record) override {
        if (request == Mixer::NextUnit) *static_cast<Mixer::mix_unit*>(record) = {7, 8, 0, 8};
        return 0;
    }
    void Reset() override {}
};

struct MixerUnits : ::testing::Test {
    void SetUp() override {
        ::setenv("HALVOXD_BOARD", "sim", 1);
        sim = Board::simulation();
        ASSERT_NE(sim, nullptr) << "the simulated board is not built in";
        sim->Reset();
        sim->SetLogging(true);
        Discover();
    }
    void TearDown() override {
        if (sim) sim->Reset();
    }
    unsigned Discover() {
        LGCP::Resources resources;
        factory.Query(resources);
        return resources.get_mixer().size();
    }

    Board::Sim* sim = nullptr;
    MixerFactory& factory = MixerFactory::instance();
    // Every driver request is logged.
    TestSupport::StreamCapture log{std::clog}, errors{std::cerr};
};

// Requests as the simulation logs them.
const char* const rxAdd = "ioctl /dev/mixer 0x801c4d03";
const char* const rxRemove = "ioctl /dev/mixer 0x801c4d04";

TEST_F(MixerUnits, WhatFeedsNoSumLeavesNoneProgrammed) {
    LGCP::CreateParams params;
    LGCP::MixerOutParams& out = params.select_mixerOut();
    out.set_unit(3);
    out.set_channel().select_tdm(4);
    LGCP::MixerInput input;
    input.set_gain(100);
    input.set_channel().select_tdm(5);
    out.set_inputs().push_back(input);
    input.set_channel().select_rtp(1);
    out.set_inputs().push_back(input);
    EXPECT_EQ(nullptr, factory.NewSlot(params));
    EXPECT_NE(std::string::npos, log.str().find(rxAdd));
    EXPECT_NE(std::string::npos, errors.str().find("mixer [3]: SetTX error: translation fail [2]"));
    EXPECT_EQ("clear", sim->Command("/dev/mixer summator 3 4"));

    LGCP::MixerInParams& in = params.select_mixerIn();
    in.set_unit(3);
    in.set_channel().select_tdm(6);
    in.set_summator().select_rtp(2);
    TestSupport::StreamCapture requests(std::clog);
    Slot* slot = factory.NewSlot(params);
    ASSERT_NE(nullptr, slot);
    EXPECT_NE(std::string::npos, errors.str().find("mixer [3]: wrong summator coding !\n"));
    EXPECT_TRUE(slot->BeforeDestroy());
    delete slot;
    EXPECT_EQ(std::string::npos, requests.str().find(rxAdd));
    EXPECT_EQ(std::string::npos, requests.str().find(rxRemove));
}

TEST_F(MixerUnits, DiscoveryEndsWhateverTheDriverSays) {
    for (int id = 10; id < 160; ++id) sim->Command("/dev/mixer add " + std::to_string(id) + " 2 2");
    EXPECT_EQ(MixerFactory::maxUnits, Discover());

    auto board = sim->Replace(std::make_unique<RepeatingMixer>());
    EXPECT_EQ(1u, Discover());
    EXPECT_NE(std::string::npos, errors.str().find("mixer: unit 7 reported twice"));
    sim->Replace(std::move(board));
}

}  // namespace
