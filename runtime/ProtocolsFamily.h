// A protocol stack that is itself one layer of an outer stack: packets from
// the outer layer above enter its top layer, packets from the outer layer
// below enter its bottom layer, and what leaves its inner stack continues
// in the outer one. The outermost owner of a stack is a family too.
#pragma once

#include "runtime/ProtocolsList.h"

class ProtocolsFamily : public ProtocolsList {
public:
    void local_prepare_head(Packet& p) override;
    void local_prepare_tail(Packet& p) override;
    // Fails with "error" when the family holds no layer.
    Smart_pointer<Internal_protocol_status> local_initialize() override;
    void local_activate() override;
    void local_deactivate() override;
    void message(Packet& p) override;
    void receive(Packet& p) override;
    // The family is active once its top layer is.
    void on_activated(Protocol* p) override;
    void on_deactivated(Protocol* p, Smart_pointer<Internal_protocol_status> status) override;
};
