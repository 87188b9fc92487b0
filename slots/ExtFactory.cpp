#include "slots/ExtFactory.h"

#include "hardware/HwMux.h"
#include "slots/ExtSlot.h"

ExtFactory& ExtFactory::instance() {
    static ExtFactory factory;
    return factory;
}

Slot* ExtFactory::INewSlot(const LGCP::CreateParams& params) {
    if (!params.ext_isSelected()) return nullptr;
    const LGCP::ExtParams& ext = params.get_ext();
    const std::int64_t transmit = HwMux::busFirst + std::int64_t(ext.get_transmitter().getValue());
    const std::int64_t receive = HwMux::busFirst + std::int64_t(ext.get_receiver().getValue());
    if (!HwMux::IsChannel(transmit) || !HwMux::IsChannel(receive)) return nullptr;
    return new ExtSlot(int(transmit), int(receive));
}
