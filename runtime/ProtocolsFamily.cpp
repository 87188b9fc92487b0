#include "runtime/ProtocolsFamily.h"

void ProtocolsFamily::local_prepare_head(Packet& p) {
    if (top()) top()->prepare_head(p);
}

void ProtocolsFamily::local_prepare_tail(Packet& p) {
    if (top()) top()->prepare_tail(p);
}

Smart_pointer<Internal_protocol_status> ProtocolsFamily::local_initialize() {
    if (!top()) return new Protocol_initialize_error(this);
    return top()->initialize();
}

void ProtocolsFamily::local_activate() {
    if (top()) top()->activate();
}

void ProtocolsFamily::local_deactivate() {
    if (top()) top()->deactivate();
}

void ProtocolsFamily::message(Packet& p) {
    if (top()) top()->message(p);
}

void ProtocolsFamily::receive(Packet& p) {
    if (bottom()) bottom()->receive(p);
}

void ProtocolsFamily::on_activated(Protocol* p) {
    if (p == top()) on_activate();
}

void ProtocolsFamily::on_deactivated(Protocol*, Smart_pointer<Internal_protocol_status> status) {
    on_deactivate(status);
}
