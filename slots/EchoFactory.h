// The factory of echo slots (create alternative `echo`), one per process. At
// construction it asks the board which of the 16 echo buses carry echo
// channels; only those take echo slots, and the resource report lists them.
#pragma once

#include "slots/SlotFactory.h"

class EchoFactory : public SlotFactory {
public:
    static EchoFactory& instance();

    const char* GetName() const override { return "Echo"; }
    // Null for another alternative, a bus that is not flagged (or above 15),
    // or a channel that would not be one of the switch's.
    Slot* INewSlot(const LGCP::CreateParams& params) override;
    // Appends each flagged bus, ascending, to `echoBus`.
    void Query(LGCP::Resources& resources) override;

    // Sets the flags from the board's echo-bus mask.
    void Scan();

    static constexpr unsigned busCount = 16;

private:
    EchoFactory() { Scan(); }

    bool buses[busCount] = {};
};
