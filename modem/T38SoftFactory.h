// The factory of software T.38 gateway slots (create alternative `t38soft`).
// One per process, created by the daemon at start-up in its factory order.
// Its slot kinds come with their own area: until then it makes no slot and
// adds nothing to the resource report, but holds its place in the chain.
#pragma once

#include "slots/SlotFactory.h"

class T38SoftFactory : public SlotFactory {
public:
    static T38SoftFactory& instance();

    const char* GetName() const override { return "T38Soft"; }
    Slot* INewSlot(const LGCP::CreateParams&) override { return nullptr; }
    void Query(LGCP::Resources&) override {}

private:
    T38SoftFactory() = default;
};
