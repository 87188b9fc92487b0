// What the tests of owed requests in process are given: the simulated
// board, the fake clock, the main loop on it, slots made and destroyed as
// the controller's commands do, and the mixer slots' parameters.
#pragma once

#include "hardware/sim/BoardSim.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "slots/MixerFactory.h"
#include "slots/Slot.h"
#include "tests/support/StreamCapture.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <memory>
#include <typeindex>
#include <vector>

namespace SlotBench {

// What every case is given.
template <class Param>
class Bench : public ::testing::TestWithParam<Param> {
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
    // The slot made last, or the one made index-th.
    Slot& Last() { return *made.back(); }
    Slot* Made(std::size_t index) { return made.at(index); }
    // A service of the row's own kind, made at its first use and kept for the
    // row's length.
    template <class T>
    T& Own() {
        std::shared_ptr<void>& kept = owned[typeid(T)];
        if (!kept) kept = std::make_shared<T>();
        return *static_cast<T*>(kept.get());
    }
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
        owned.clear();
        if (sim) sim->Reset();
    }

    std::vector<Slot*> made;
    std::map<std::type_index, std::shared_ptr<void>> owned;
    // The drivers' failures and the signals that have no controller to go to.
    TestSupport::StreamCapture log{std::clog}, errors{std::cerr};
};

// A mixer input on unit 1 (channel, and the summator it joins, or -1).
inline LGCP::CreateParams MixerIn(int channel, int summator) {
    LGCP::CreateParams params;
    LGCP::MixerInParams& in = params.select_mixerIn();
    in.set_unit(1);
    in.set_channel().select_tdm(channel);
    if (summator >= 0) in.set_summator().select_tdm(summator);
    return params;
}

// A mixer output on unit 1, whose summator is a conference.
inline LGCP::CreateParams MixerOut(int channel) {
    LGCP::CreateParams params;
    LGCP::MixerOutParams& out = params.select_mixerOut();
    out.set_unit(1);
    out.set_channel().select_tdm(channel);
    return params;
}

// The mixer units, found as the query command finds them.
inline Mixer::MixerFactory& Units() {
    LGCP::Resources units;
    Mixer::MixerFactory::instance().Query(units);
    return Mixer::MixerFactory::instance();
}

inline Mixer::MixerFactory& Mixers() { return Mixer::MixerFactory::instance(); }

}  // namespace SlotBench
