#include "control/Tpkt_protocol.h"

#include <algorithm>
#include <iostream>
#include <new>

#include "config/Profile.h"

void Tpkt_protocol::local_prepare_head(Packet& p) { p.reserve_head(4); }

void Tpkt_protocol::local_prepare_tail(Packet& p) { p.reserve_tail(0); }

void Tpkt_protocol::local_activate() { reset(); }

void Tpkt_protocol::local_deactivate() {
    reset();
    on_deactivate(new Protocol_status_success(this, "TPKT deactivated"));
}

void Tpkt_protocol::message(Packet& p) {
    static Profile::Point point("Tpkt_protocol::message");
    point.begin();
    p.push16_b(std::uint16_t(p.length() + 4));
    p.push8(0);
    p.push8(3);
    point.end();
    transmit(p);
}

void Tpkt_protocol::reset() {
    timer.reset();
    body.clear();
    state = idle;
}

void Tpkt_protocol::on_timeout(Timer*) {
    std::clog << " TPKT packet timeout." << std::endl;
    reset();
}

void Tpkt_protocol::on_status(Smart_pointer<Internal_protocol_status> status) {
    if (!status->success()) reset();
    Protocol::on_status(status);
}

void Tpkt_protocol::receive(Packet& piece) {
    while (!piece.empty()) {
        switch (state) {
            case idle:
                receive_idle(piece);
                break;
            case wait_reserved:
                receive_wait_r(piece);
                break;
            case len_1:
                receive_len_1(piece);
                break;
            case len_2:
                receive_len_2(piece);
                break;
            case body_data:
                receive_body(piece);
                break;
            case ignore:
                receive_ignore(piece);
                break;
        }
    }
    // A frame still incomplete when the octets stop is dropped after a while.
    if (state != idle)
        timer.set(stall_timeout_ms, &Tpkt_protocol::on_timeout, this);
    else
        timer.reset();
}

void Tpkt_protocol::receive_idle(Packet& piece) {
    if (piece.pull8() == 3)
        next_state(wait_reserved);
    else
        std::clog << *this << " bad TPKT packet start." << std::endl;
}

void Tpkt_protocol::receive_wait_r(Packet& piece) {
    if (piece.pull8() == 0) return next_state(len_1);
    std::clog << *this << " bad TPKT reserved." << std::endl;
    next_state(idle);
}

void Tpkt_protocol::receive_len_1(Packet& piece) {
    remaining = piece.pull8();
    next_state(len_2);
}

void Tpkt_protocol::receive_len_2(Packet& piece) {
    unsigned length = remaining * 256 + piece.pull8();
    if (length < 4) {
        std::clog << "TPKT too small " << length << std::endl;
        return next_state(idle);
    }
    remaining = length - 4;
    try {
        body.reserve_head(0);
    } catch (const std::bad_alloc&) {
        std::cerr << "TPKT no packet buffer, body of " << remaining << " octets dropped"
                  << std::endl;
        return next_state(ignore);
    }
    next_state(body_data);
}

void Tpkt_protocol::receive_body(Packet& piece) {
    unsigned n = std::min(piece.length(), remaining);
    if (n > 0) {
        const unsigned char* octets = piece.pull(n);
        std::copy(octets, octets + n, body.put(n));
        remaining -= n;
    }
    if (remaining > 0) return;
    next_state(idle);
    Packet complete = body;
    body.clear();
    on_message(complete);
}

void Tpkt_protocol::receive_ignore(Packet& piece) {
    unsigned n = std::min(piece.length(), remaining);
    piece.pull(n);
    remaining -= n;
    if (remaining == 0) next_state(idle);
}
