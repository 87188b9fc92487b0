#include "slots/EchoSlot.h"

void EchoSlot::IAfterCreate() {
    OnChangeOutputStream(true);
    OnChangeInputStream(true);
}
