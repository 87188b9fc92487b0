// The factory of ISDN and ATS-QSIG slots (create alternatives `isdn`, `ats-qsig`, `ats-qsig-b`).
// One per process, created by the daemon at start-up in its factory order.
// Its slot kinds come with their own area: until then it makes no slot and
// adds nothing to the resource report, but holds its place in the chain.
#pragma once

#include "slots/SlotFactory.h"

class IsdnFactory : public SlotFactory {
public:
    static IsdnFactory& instance();

    const char* GetName() const override { return "Isdn"; }
    Slot* INewSlot(const LGCP::CreateParams&) override { return nullptr; }
    void Query(LGCP::Resources&) override {}

private:
    IsdnFactory() = default;
};
