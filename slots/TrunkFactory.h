// The factories of trunk slots: one per E1 trunk (create alternative
// `trunk`) and one per BRI line (`trunk_bri`), each static and in the
// factory chain before main runs. A factory records which slot holds each
// of its timeslots; a new slot on a held timeslot evicts the older one.
#pragma once

#include "slots/SlotFactory.h"

class TrunkSlot;

class TrunkFactory : public SlotFactory {
public:
    // base: the switch channel of timeslot 0.
    TrunkFactory(unsigned trunk, unsigned base) : trunk(trunk), base(base) {}

    const char* GetName() const override { return "Trunks"; }
    Slot* INewSlot(const LGCP::CreateParams& params) override;
    // Trunks add nothing to the resource report.
    void Query(LGCP::Resources&) override {}

    // Frees the slot's timeslot when the slot holds it; returns the timeslot.
    int ReleaseTrunkSlot(TrunkSlot* slot);

protected:
    // A slot on the timeslot of this trunk, evicting an older holder; null
    // for another trunk or a timeslot beyond count.
    Slot* Take(const LGCP::TrunkParams& params, unsigned count, bool bri);

private:
    TrunkSlot* owners[32] = {};
    const unsigned trunk;
    const unsigned base;
};

class TrunkBRIFactory : public TrunkFactory {
public:
    TrunkBRIFactory(unsigned trunk, unsigned base) : TrunkFactory(trunk, base) {}

    const char* GetName() const override { return "TrunksBRI"; }
    Slot* INewSlot(const LGCP::CreateParams& params) override;
};

// Channels 32 x trunk + timeslot.
extern TrunkFactory trunk0, trunk1, trunk2, trunk3;
// Channels 4 x line + channel: the same numbers as trunk 0's.
extern TrunkBRIFactory trunk_bri0, trunk_bri1, trunk_bri2, trunk_bri3, trunk_bri4, trunk_bri5,
    trunk_bri6, trunk_bri7;
