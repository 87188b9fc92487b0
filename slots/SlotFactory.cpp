#include "slots/SlotFactory.h"

#include "runtime/ConstInit.h"
#include "slots/Slot.h"

#include <algorithm>

HALVOX_CONSTINIT SlotFactory* firstFactory = nullptr;

SlotFactory::SlotFactory() : next(firstFactory) { firstFactory = this; }

Slot* SlotFactory::NewSlot(const LGCP::CreateParams& params) {
    Slot* slot = INewSlot(params);
    if (slot) {
        slot->factory = this;
        slots.push_back(slot);
    }
    return slot;
}

void SlotFactory::Remove(Slot* slot) {
    slots.erase(std::remove(slots.begin(), slots.end(), slot), slots.end());
}
