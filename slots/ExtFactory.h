// The factory of external slots (create alternative `ext`), one per process:
// the controller's transmitter and receiver numbers become switch channels
// 8192 + the number. It keeps no owners.
#pragma once

#include "slots/SlotFactory.h"

class ExtFactory : public SlotFactory {
public:
    static ExtFactory& instance();

    const char* GetName() const override { return "Ext"; }
    // Null for another alternative, or when a channel would not be one of
    // the switch's.
    Slot* INewSlot(const LGCP::CreateParams& params) override;
    void Query(LGCP::Resources&) override {}

private:
    ExtFactory() = default;
};
