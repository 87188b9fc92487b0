// The factory of map slots (create alternative `map`), one per process. It
// keeps one owner table of the 2048 shared-bus channels for both directions:
// a map slot that claims a channel another map slot holds, on either side,
// destroys that older slot whole.
#pragma once

#include "slots/SlotFactory.h"

class MapSlot;

class MapFactory : public SlotFactory {
public:
    static MapFactory& instance();

    const char* GetName() const override { return "Map"; }
    // Null for another alternative or a shared channel outside bus 0..15,
    // channel 0..127; a map slot otherwise, also one with neither side.
    Slot* INewSlot(const LGCP::CreateParams& params) override;
    void Query(LGCP::Resources&) override {}

    // Takes the slot's channels, evicting their holders (receive side first).
    void AllocateMapSlot(MapSlot* slot);
    // Gives them back; the receive side's bus output is switched off.
    void ReleaseMapSlot(MapSlot* slot);

private:
    MapFactory() = default;

    void Claim(int index, MapSlot* slot);
    // The report names the side ("code 1" receive, "code 2" transmit).
    void GiveBack(int index, MapSlot* slot, int code);

    MapSlot* owners[2048] = {};
};

// 8192 + 128 x bus + channel.
int GetMapTimeSlot(const LGCP::SharedChannel& channel);
