// TPKT framing of a control transport: each message travels as 03, 00, a
// 16-bit big-endian length counting these 4 octets, then the body. Bodies are
// assembled from pieces of any size; garbage is skipped octet by octet until
// the next 03, and a frame stalled for 3000 ms is dropped.
#pragma once

#include "runtime/Packet.h"
#include "runtime/Protocol.h"
#include "runtime/Timer.h"

class Tpkt_protocol : public Protocol {
public:
    enum State { idle = 0, wait_reserved = 1, len_1 = 2, len_2 = 3, body_data = 4, ignore = 5 };

    // The longest body whose length still fits the 16-bit field.
    static constexpr unsigned max_body = 0xFFFF - 4;
    static constexpr unsigned stall_timeout_ms = 3000;

    Tpkt_protocol() = default;

    void local_prepare_head(Packet& p) override;
    void local_prepare_tail(Packet& p) override;
    void local_activate() override;
    void local_deactivate() override;
    // Frames the body (at most max_body octets, in a packet with 4 octets of
    // head room) and hands it to the layer below.
    void message(Packet& p) override;
    void receive(Packet& piece) override;
    // A gap in the received octets: the frame being assembled is lost.
    void on_status(Smart_pointer<Internal_protocol_status> status) override;

    void reset();
    void next_state(State s) { state = s; }
    State current_state() const { return state; }
    void on_timeout(Timer*);

private:
    void receive_idle(Packet& piece);
    void receive_wait_r(Packet& piece);
    void receive_len_1(Packet& piece);
    void receive_len_2(Packet& piece);
    void receive_body(Packet& piece);
    void receive_ignore(Packet& piece);

    // While the length is read: its high octet; then the body octets still due.
    unsigned remaining = 0;
    Timer timer;
    State state = idle;
    Packet body;
};
