// The factory of RTP slots with Varn radio signalling in the header extension.
// One per process, created by the daemon at start-up in its factory order.
// Its slot kinds come with their own area: until then it makes no slot and
// adds nothing to the resource report, but holds its place in the chain.
#pragma once

#include "slots/SlotFactory.h"

class RtpVARNFactory : public SlotFactory {
public:
    static RtpVARNFactory& instance();

    const char* GetName() const override { return "RtpVARN"; }
    Slot* INewSlot(const LGCP::CreateParams&) override { return nullptr; }
    void Query(LGCP::Resources&) override {}

private:
    RtpVARNFactory() = default;
};
