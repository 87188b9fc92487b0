// The transmit side of an HDLC link as a data-link layer sees it: whole
// frames in, and whether the channel is open and takes frames now. The MCC
// channel (HDLC) implements it, and so may a slot that drives its own device.
#pragma once

class Packet;

class GenericHDLC {
public:
    virtual ~GenericHDLC() = default;
    // True when the frame went out (an empty one counts as sent); false when
    // it did not, and the caller keeps it until the channel is ready again.
    virtual bool hdlc_transmit(Packet& frame) = 0;
    virtual bool is_open() const = 0;
    virtual bool is_ready() const = 0;
};
