// The factory of RTP slots with ED-137 radio signalling.
// One per process, created by the daemon at start-up in its factory order.
// Its slot kinds come with their own area: until then it makes no slot and
// adds nothing to the resource report, but holds its place in the chain.
#pragma once

#include "slots/SlotFactory.h"

class RtpED137Factory : public SlotFactory {
public:
    static RtpED137Factory& instance();

    const char* GetName() const override { return "RtpED137"; }
    Slot* INewSlot(const LGCP::CreateParams&) override { return nullptr; }
    void Query(LGCP::Resources&) override {}

private:
    RtpED137Factory() = default;
};
