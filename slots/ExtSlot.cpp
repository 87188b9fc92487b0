#include "slots/ExtSlot.h"

#include "hardware/HwMux.h"

bool ExtSlot::IBeforeDestroy() {
    HwMux::instance().Disable(receiveChannel);
    return true;
}

bool ExtSlot::IActivate(const TERM::TermActivateParams&) {
    if (GetInputStream()) return true;
    OnChangeInputStream(true);
    HwMux::instance().Disconnect(receiveChannel);
    return true;
}

bool ExtSlot::IDeactivate() {
    OnChangeInputStream(false);
    HwMux::instance().Disable(receiveChannel);
    return true;
}
