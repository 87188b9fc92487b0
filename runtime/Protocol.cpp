#include "runtime/Protocol.h"

#include "runtime/ProtocolsList.h"

Protocol::~Protocol() {
    if (parent) parent->remove_protocol(this);
}

void Protocol::local_prepare_head(Packet& p) { p.reserve_head(0); }

void Protocol::local_prepare_tail(Packet& p) { p.reserve_tail(0); }

Smart_pointer<Internal_protocol_status> Protocol::local_initialize() {
    return new Protocol_status_success(this, "success");
}

void Protocol::local_activate() { on_activate(); }

void Protocol::local_deactivate() { on_deactivate(new Protocol_status_success(this, "success")); }

void Protocol::transmit(Packet& p) {
    if (below())
        below()->message(p);
    else if (parent)
        parent->transmit(p);
}

void Protocol::on_message(Packet& p) {
    if (above())
        above()->receive(p);
    else if (parent)
        parent->on_message(p);
}

void Protocol::on_activate() {
    if (above())
        above()->local_activate();
    else if (parent)
        parent->on_activated(this);
}

void Protocol::on_deactivate(Smart_pointer<Internal_protocol_status> status) {
    if (status->success()) {
        if (below()) return below()->deactivate();
    } else if (above()) {
        return above()->on_deactivate(status);
    }
    if (parent) parent->on_deactivated(this, status);
}

void Protocol::on_status(Smart_pointer<Internal_protocol_status> status) {
    if (above())
        above()->on_status(status);
    else if (parent)
        parent->on_status(status);
}

void Protocol::message(Packet&) {}

void Protocol::receive(Packet&) {}

void Protocol::activate() {
    if (below())
        below()->activate();
    else
        local_activate();
}

void Protocol::deactivate() { local_deactivate(); }

void Protocol::protocol_info(std::ostream&) const {}

Smart_pointer<Internal_protocol_status> Protocol::initialize() {
    if (below()) {
        Smart_pointer<Internal_protocol_status> status = below()->initialize();
        if (!status->success()) return status;
    }
    return local_initialize();
}

void Protocol::prepare_head(Packet& p) {
    descend_prepare_head(p);
    local_prepare_head(p);
}

void Protocol::prepare_tail(Packet& p) {
    descend_prepare_tail(p);
    local_prepare_tail(p);
}

void Protocol::descend_prepare_head(Packet& p) {
    if (below()) below()->prepare_head(p);
}

void Protocol::descend_prepare_tail(Packet& p) {
    if (below()) below()->prepare_tail(p);
}
