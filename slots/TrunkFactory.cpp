#include "slots/TrunkFactory.h"

#include "slots/Slots.h"
#include "slots/TrunkSlot.h"

#include <iostream>

// In this order, so the chain ends trunk_bri7 .. trunk_bri0, trunk3 .. trunk0.
TrunkFactory trunk0(0, 0), trunk1(1, 32), trunk2(2, 64), trunk3(3, 96);
TrunkBRIFactory trunk_bri0(0, 0), trunk_bri1(1, 4), trunk_bri2(2, 8), trunk_bri3(3, 12),
    trunk_bri4(4, 16), trunk_bri5(5, 20), trunk_bri6(6, 24), trunk_bri7(7, 28);

Slot* TrunkFactory::INewSlot(const LGCP::CreateParams& params) {
    if (!params.trunk_isSelected()) return nullptr;
    return Take(params.get_trunk(), 32, false);
}

Slot* TrunkBRIFactory::INewSlot(const LGCP::CreateParams& params) {
    if (!params.trunk_bri_isSelected()) return nullptr;
    return Take(params.get_trunk_bri(), 4, true);
}

Slot* TrunkFactory::Take(const LGCP::TrunkParams& params, unsigned count, bool bri) {
    const unsigned timeslot = params.get_timeslot().getValue();
    if (params.get_trunk().getValue() != trunk || timeslot >= count) return nullptr;
    if (TrunkSlot* old = owners[timeslot]) {
        std::cerr << "trunk-slot: two slots require the same timeslot, remove old." << std::endl
                  << " old slot " << *old << std::endl;
        Slots::instance().Destroy(old);
    }
    const int channel = int(base + timeslot);
    TrunkSlot* slot = bri ? new TrunkBRISlot(channel) : new TrunkSlot(channel);
    owners[timeslot] = slot;
    return slot;
}

int TrunkFactory::ReleaseTrunkSlot(TrunkSlot* slot) {
    const int timeslot = slot->GetTimeSlot();
    if (timeslot >= 0 && timeslot < 32 && owners[timeslot] == slot) owners[timeslot] = nullptr;
    return timeslot;
}
