#include "slots/MapFactory.h"

#include "hardware/HwMux.h"
#include "slots/MapSlot.h"
#include "slots/Slots.h"

#include <iostream>

namespace {

// Within the record's ranges, so the channel indexes the owner table.
bool IsShared(const LGCP::SharedChannel& channel) {
    return channel.get_bus().getValue() <= 15 && channel.get_channel().getValue() <= 127;
}

}  // namespace

MapFactory& MapFactory::instance() {
    static MapFactory factory;
    return factory;
}

int GetMapTimeSlot(const LGCP::SharedChannel& channel) {
    return HwMux::busFirst +
           int(128 * channel.get_bus().getValue() + channel.get_channel().getValue());
}

Slot* MapFactory::INewSlot(const LGCP::CreateParams& params) {
    if (!params.map_isSelected()) return nullptr;
    const LGCP::MapParams& map = params.get_map();
    const bool tx = map.transmitter_isPresent(), rx = map.receiver_isPresent();
    if ((tx && !IsShared(map.get_transmitter())) || (rx && !IsShared(map.get_receiver())))
        return nullptr;
    auto* slot = new MapSlot(tx ? GetMapTimeSlot(map.get_transmitter()) : -1,
                             rx ? GetMapTimeSlot(map.get_receiver()) : -1);
    AllocateMapSlot(slot);
    return slot;
}

// A slot whose two sides name one channel finds itself there on its second
// claim: it holds both, and evicts nothing.
void MapFactory::Claim(int index, MapSlot* slot) {
    MapSlot* old = owners[index];
    if (old && old != slot) {
        std::cerr << "map-slot: two slots require the same ipc-slot, remove old." << std::endl
                  << "new slot " << *slot << " <-> old slot " << *old << std::endl;
        Slots::instance().Destroy(old);
    }
    owners[index] = slot;
}

void MapFactory::AllocateMapSlot(MapSlot* slot) {
    if (slot->IsRxExists()) Claim(slot->GetRxLogChannel(), slot);
    if (slot->IsTxExists()) Claim(slot->GetTxLogChannel(), slot);
}

void MapFactory::GiveBack(int index, MapSlot* slot, int code) {
    if (owners[index] != slot)
        std::cerr << "map-slot: internal error! MapFactory::ReleaseMapSlot() code " << code
                  << std::endl;
    owners[index] = nullptr;
}

void MapFactory::ReleaseMapSlot(MapSlot* slot) {
    const bool rx = slot->IsRxExists();
    if (rx) {
        std::clog << "map: disable map channel " << slot->GetRxLogChannel() << std::endl;
        HwMux::instance().Disable(slot->IGetReceiveChannel());
        GiveBack(slot->GetRxLogChannel(), slot, 1);
    }
    // Held on both sides, the channel went back with the receive side.
    if (slot->IsTxExists() && !(rx && slot->GetTxLogChannel() == slot->GetRxLogChannel()))
        GiveBack(slot->GetTxLogChannel(), slot, 2);
}
