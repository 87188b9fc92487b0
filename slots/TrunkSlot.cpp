#include "slots/TrunkSlot.h"

#include "slots/TrunkFactory.h"

void TrunkSlot::IAfterCreate() {
    OnChangeOutputStream(true);
    OnChangeInputStream(true);
}

bool TrunkSlot::IBeforeDestroy() {
    if (TrunkFactory* factory = GetSlotFactory()) factory->ReleaseTrunkSlot(this);
    return true;
}

TrunkFactory* TrunkSlot::GetSlotFactory() const {
    return static_cast<TrunkFactory*>(Slot::GetSlotFactory());
}
