// The factory of MCC data slots (create alternative `mcc`).
// One per process, created by the daemon at start-up in its factory order.
// Its slot kinds come with their own area: until then it makes no slot and
// adds nothing to the resource report, but holds its place in the chain.
#pragma once

#include "slots/SlotFactory.h"

class MccFactory : public SlotFactory {
public:
    static MccFactory& instance();

    const char* GetName() const override { return "Mcc"; }
    Slot* INewSlot(const LGCP::CreateParams&) override { return nullptr; }
    void Query(LGCP::Resources&) override {}

private:
    MccFactory() = default;
};
