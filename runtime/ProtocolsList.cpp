#include "runtime/ProtocolsList.h"

ProtocolsList::~ProtocolsList() {
    while (Protocol* p = layers.remove_from_tail()) {
        p->parent = nullptr;
        delete p;
    }
}

void ProtocolsList::on_activated(Protocol*) {}

void ProtocolsList::on_deactivated(Protocol*, Smart_pointer<Internal_protocol_status>) {}

void ProtocolsList::adopt(Protocol* p) {
    if (p->parent) p->parent->remove_protocol(p);
    p->parent = this;
}

Protocol* ProtocolsList::add_protocol_head(Protocol* p) {
    adopt(p);
    layers.insert_to_head(p);
    return p;
}

Protocol* ProtocolsList::add_protocol_tail(Protocol* p) {
    adopt(p);
    layers.insert_to_tail(p);
    return p;
}

Protocol* ProtocolsList::search(const Protocol_name& n) {
    for (auto it = layers.begin(); it.good(); ++it)
        if (it->compare_name(n)) return *it;
    return nullptr;
}

void ProtocolsList::remove_protocol(Protocol* p) {
    layers.remove(p);
    p->parent = nullptr;
}
