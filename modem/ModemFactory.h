// The factory of PPP and fax modem slots (create alternative `modem`).
// One per process, created by the daemon at start-up in its factory order.
// Its slot kinds come with their own area: until then it makes no slot and
// adds nothing to the resource report, but holds its place in the chain.
#pragma once

#include "slots/SlotFactory.h"

class ModemFactory : public SlotFactory {
public:
    static ModemFactory& instance();

    const char* GetName() const override { return "Modem"; }
    Slot* INewSlot(const LGCP::CreateParams&) override { return nullptr; }
    void Query(LGCP::Resources&) override {}

private:
    ModemFactory() = default;
};
