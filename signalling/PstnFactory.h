// The factory of signalling-channel slots (create alternative `pstn`: LAPD or SS7 link control).
// One per process, created by the daemon at start-up in its factory order.
// Its slot kinds come with their own area: until then it makes no slot and
// adds nothing to the resource report, but holds its place in the chain.
#pragma once

#include "slots/SlotFactory.h"

class PstnFactory : public SlotFactory {
public:
    static PstnFactory& instance();

    const char* GetName() const override { return "Pstn"; }
    Slot* INewSlot(const LGCP::CreateParams&) override { return nullptr; }
    void Query(LGCP::Resources&) override {}

private:
    PstnFactory() = default;
};
