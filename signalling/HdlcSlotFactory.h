// The factory of HDLC package slots (create alternative `hdlcParams`).
// One per process, created by the daemon at start-up in its factory order.
#pragma once

class HdlcSlotFactory {
public:
    static HdlcSlotFactory& instance();
    HdlcSlotFactory(const HdlcSlotFactory&) = delete;
    HdlcSlotFactory& operator=(const HdlcSlotFactory&) = delete;

private:
    HdlcSlotFactory() = default;
};
