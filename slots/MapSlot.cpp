#include "slots/MapSlot.h"

#include "slots/MapFactory.h"

void MapSlot::IAfterCreate() {
    if (IsRxExists()) OnChangeInputStream(true);
    if (IsTxExists()) OnChangeOutputStream(true);
}

bool MapSlot::IBeforeDestroy() {
    if (MapFactory* factory = GetSlotFactory()) factory->ReleaseMapSlot(this);
    return true;
}

MapFactory* MapSlot::GetSlotFactory() const {
    return static_cast<MapFactory*>(Slot::GetSlotFactory());
}
