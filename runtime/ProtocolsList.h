// A protocol stack: layers kept bottom (head, nearest the device or socket)
// to top (tail, nearest the user). The list is the parent of its layers and
// owns them; an owner overrides on_activated/on_deactivated to learn how
// activation and deactivation of the stack ended.
#pragma once

#include "runtime/F_dual_list.h"
#include "runtime/Protocol.h"

class ProtocolsList : public Protocol {
public:
    ProtocolsList() = default;
    // Deletes the layers, top first.
    ~ProtocolsList() override;

    virtual void on_activated(Protocol* p);
    virtual void on_deactivated(Protocol* p, Smart_pointer<Internal_protocol_status> status);
    // Both take ownership of p (made with new), moving it out of any stack
    // it was in, and return it.
    virtual Protocol* add_protocol_head(Protocol* p);
    virtual Protocol* add_protocol_tail(Protocol* p);

    // The lowest layer that answers to n, or null.
    Protocol* search(const Protocol_name& n);

protected:
    Protocol* bottom() const { return *layers.begin(); }
    Protocol* top() const { return *layers.last(); }

private:
    friend class Protocol;

    void adopt(Protocol* p);
    void remove_protocol(Protocol* p);

    F_dual_list<Protocol> layers;
};
