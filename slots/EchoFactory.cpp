#include "slots/EchoFactory.h"

#include "hardware/BoardDevices.h"
#include "hardware/HwMux.h"
#include "slots/EchoSlot.h"

#include <iostream>

EchoFactory& EchoFactory::instance() {
    static EchoFactory factory;
    return factory;
}

void EchoFactory::Scan() {
    std::clog << "Scanning echo channels ..." << std::endl;
    const unsigned mask = Board::devices().EchoBusMask();
    for (unsigned bus = 0; bus < busCount; ++bus) buses[bus] = mask >> bus & 1;
}

Slot* EchoFactory::INewSlot(const LGCP::CreateParams& params) {
    if (!params.echo_isSelected()) return nullptr;
    const LGCP::EchoParams& echo = params.get_echo();
    // Compared unsigned, so a negative bus is refused too.
    const unsigned bus = unsigned(echo.get_bus().getValue());
    if (bus >= busCount || !buses[bus]) return nullptr;
    const std::int64_t channel = 32 * std::int64_t(bus) + echo.get_channel().getValue();
    if (!HwMux::IsChannel(channel)) return nullptr;
    return new EchoSlot(int(channel));
}

void EchoFactory::Query(LGCP::Resources& resources) {
    for (unsigned bus = 0; bus < busCount; ++bus)
        if (buses[bus]) resources.set_echoBus().push_back(ASN1::INTEGER(int(bus)));
}
