// One layer of a protocol stack. Packets go down through transmit/message
// and up through on_message/receive; activation starts at the bottom layer
// and climbs; deactivation and status reports travel as status objects.
// Every operation has a default, so a layer overrides only what it does.
#pragma once

#include "runtime/F_dual_list.h"
#include "runtime/Packet.h"
#include "runtime/Protocol_info.h"
#include "runtime/Protocol_status.h"

#include <iosfwd>

class ProtocolsList;

class Protocol : public Protocol_info, public F_dual_list_item<Protocol> {
public:
    Protocol() = default;
    Protocol(const Protocol&) = delete;
    Protocol& operator=(const Protocol&) = delete;
    // Takes the layer out of its stack.
    ~Protocol() override;

    // Room this layer needs before and after the payload (default: none,
    // but a null packet gets its buffer).
    virtual void local_prepare_head(Packet& p);
    virtual void local_prepare_tail(Packet& p);
    virtual Smart_pointer<Internal_protocol_status> local_initialize();
    // Default: active at once.
    virtual void local_activate();
    // Default: deactivated at once, with success.
    virtual void local_deactivate();

    // Sends p down: to the layer below's message(), or at the bottom to the
    // parent's transmit().
    virtual void transmit(Packet& p);
    // Passes p up: to the layer above's receive(), or at the top to the
    // parent's on_message().
    virtual void on_message(Packet& p);
    // This layer is active: activates the layer above, or at the top tells
    // the parent.
    virtual void on_activate();
    // A success descends to the layer below, a failure climbs to the top;
    // the last layer reached tells the parent.
    virtual void on_deactivate(Smart_pointer<Internal_protocol_status> status);
    virtual void on_status(Smart_pointer<Internal_protocol_status> status);
    // A packet from the layer above; dropped unless overridden.
    virtual void message(Packet& p);
    // A packet from the layer below; dropped unless overridden.
    virtual void receive(Packet& p);
    // Starts activation at the bottom layer.
    virtual void activate();
    virtual void deactivate();
    virtual void protocol_info(std::ostream& os) const;

    // Initialises the layers from the bottom up to this one; the first
    // failure stops the walk and is returned.
    Smart_pointer<Internal_protocol_status> initialize();
    // Lets every layer from the bottom up to this one reserve its room.
    void prepare_head(Packet& p);
    void prepare_tail(Packet& p);
    void descend_prepare_head(Packet& p);
    void descend_prepare_tail(Packet& p);

protected:
    // A layer out of any stack keeps stale links; it has no neighbours.
    Protocol* below() const { return parent ? get_prev() : nullptr; }
    Protocol* above() const { return parent ? get_next() : nullptr; }

private:
    friend class ProtocolsList;

    ProtocolsList* parent = nullptr;
};
