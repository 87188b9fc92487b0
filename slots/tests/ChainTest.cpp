// The factory chain as the daemon builds it: the factories main creates, in
// its order, ahead of the static trunk factories.
#include "control/tests/TransportHarness.h"
#include "media/RtpED137Factory.h"
#include "media/RtpFactory.h"
#include "media/RtpVARNFactory.h"
#include "modem/MccFactory.h"
#include "modem/ModemFactory.h"
#include "modem/T38SoftFactory.h"
#include "modem/VoiceFactory.h"
#include "signalling/HdlcSlotFactory.h"
#include "signalling/IsdnFactory.h"
#include "signalling/PstnFactory.h"
#include "slots/TrunkFactory.h"
#include "slots/TrunkSlot.h"
#include "tests/support/StreamCapture.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

using TransportTest::Occurrences;

TEST(FactoryChain, MainsFactoriesComeFirstNewestFirstThenTheTrunks) {
    PstnFactory::instance();
    RtpFactory::instance();
    ModemFactory::instance();
    MccFactory::instance();
    VoiceFactory::instance();
    T38SoftFactory::instance();
    IsdnFactory::instance();
    RtpVARNFactory::instance();
    RtpED137Factory::instance();
    HdlcSlotFactory::instance();

    const std::vector<SlotFactory*> expected = {&HdlcSlotFactory::instance(),
                                                &RtpED137Factory::instance(),
                                                &RtpVARNFactory::instance(),
                                                &IsdnFactory::instance(),
                                                &T38SoftFactory::instance(),
                                                &VoiceFactory::instance(),
                                                &MccFactory::instance(),
                                                &ModemFactory::instance(),
                                                &RtpFactory::instance(),
                                                &PstnFactory::instance(),
                                                &trunk_bri7,
                                                &trunk_bri6,
                                                &trunk_bri5,
                                                &trunk_bri4,
                                                &trunk_bri3,
                                                &trunk_bri2,
                                                &trunk_bri1,
                                                &trunk_bri0,
                                                &trunk3,
                                                &trunk2,
                                                &trunk1,
                                                &trunk0};
    // Factories that other cases of the program made earlier sit among them.
    std::vector<SlotFactory*> chain;
    for (SlotFactory* f = firstFactory; f; f = f->GetNext())
        if (std::find(expected.begin(), expected.end(), f) != expected.end()) chain.push_back(f);
    EXPECT_EQ(expected, chain);

    // None of the factories ahead of trunk 3 takes its timeslots.
    LGCP::CreateParams params;
    params.select_trunk().set_trunk(3);
    params.ref_trunk().set_timeslot(4);
    for (SlotFactory* f : expected) {
        std::unique_ptr<Slot> slot(f->NewSlot(params));
        EXPECT_EQ(f == &trunk3, slot != nullptr) << f->GetName();
        if (!slot) continue;
        trunk3.ReleaseTrunkSlot(static_cast<TrunkSlot*>(slot.get()));
        f->Remove(slot.get());
    }
}

// Made by the factories directly: the channel each kind of trunk slot takes
// and what it tells a signalling slot.
TEST(TrunkSlots, ChannelsTrunksAndTimeslots) {
    const struct {
        TrunkFactory& factory;
        bool bri;
        unsigned trunk, timeslot;
        int channel, gotTrunk, gotTimeslot;
        const char* name;
    } table[] = {
        {trunk2, false, 2, 5, 69, 2, 5, "trunk"},
        {trunk_bri3, true, 3, 2, 14, 3, 2, "trunkBRI"},
        {trunk_bri1, true, 1, 1, 5, 1, 1, "trunkBRI"},
    };
    for (const auto& row : table) {
        LGCP::CreateParams params;
        LGCP::TrunkParams& trunk = row.bri ? params.select_trunk_bri() : params.select_trunk();
        trunk.set_trunk(row.trunk);
        trunk.set_timeslot(row.timeslot);
        std::unique_ptr<Slot> slot(row.factory.NewSlot(params));
        ASSERT_NE(nullptr, slot) << row.channel;
        EXPECT_EQ(row.channel, slot->GetTransmitChannel());
        EXPECT_EQ(row.channel, slot->GetReceiveChannel());
        EXPECT_EQ(row.gotTrunk, slot->GetTrunk());
        EXPECT_EQ(row.gotTimeslot, slot->GetTrunkTimeSlot());
        EXPECT_STREQ(row.name, slot->GetName());
        EXPECT_EQ(&row.factory, slot->GetSlotFactory());
        EXPECT_EQ(row.timeslot,
                  unsigned(row.factory.ReleaseTrunkSlot(static_cast<TrunkSlot*>(slot.get()))));
        row.factory.Remove(slot.get());
    }
}

// A slot that lost its timeslot to a newer one does not free it when it goes.
TEST(TrunkSlots, OnlyTheOwnerFreesItsTimeslot) {
    LGCP::CreateParams params;
    params.select_trunk().set_trunk(1);
    params.ref_trunk().set_timeslot(9);
    std::unique_ptr<Slot> older(trunk1.NewSlot(params));
    TestSupport::StreamCapture errors(std::cerr);
    std::unique_ptr<Slot> newer(trunk1.NewSlot(params));
    // The older slot was never recorded by Slots, which refuses to destroy it.
    EXPECT_NE(std::string::npos, errors.str().find(" old slot na:trunk\n"));
    EXPECT_TRUE(older->IBeforeDestroy());
    // Still held by the newer slot: a third slot evicts it.
    std::unique_ptr<Slot> third(trunk1.NewSlot(params));
    EXPECT_NE(std::string::npos, errors.str().rfind("trunk-slot: two slots require"));
    EXPECT_EQ(2u, Occurrences(errors.str(), "trunk-slot: two slots require"));
    // The owner frees the timeslot, so no later case finds a slot gone here.
    EXPECT_TRUE(third->IBeforeDestroy());
    for (auto* s : {&older, &newer, &third}) trunk1.Remove(s->get());
}
