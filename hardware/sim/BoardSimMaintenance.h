// The simulated maintenance driver ("/dev/maintenance"): the status of the
// four E1 trunks, in frame with zero counters at power-on, the newest TCLK
// slave masks it was given and the clock source last selected.
//
// Control lines (after "/dev/maintenance"):
//   status T STATE SLIPS LOSSBF LOSSCARRIER AIS RAI
//                   -> "ok": what the status read of trunk T returns from now on
//   broken T ERRNO  -> "ok": the status read of trunk T fails with ERRNO
//                      until its next status line
//   tclk            -> the masks written, oldest first ("0x0 0x2"), up to the
//                      newest SimHistory::bound of them, or "none"
//   source          -> the clock source last selected, or "none"
#pragma once

#include "hardware/sim/BoardSimDevice.h"
#include "hardware/sim/BoardSimHistory.h"
#include "hardware/E1Driver.h"

#include <cstdint>

namespace Board {

class SimMaintenance : public SimDevice {
public:
    SimMaintenance();

    int OnIoctl(SimOpen& open, unsigned long request, void* record) override;
    int OnIoctlValue(SimOpen& open, unsigned long request, unsigned long value) override;
    std::string OnCommand(const std::vector<std::string>& words) override;
    void Reset() override;

private:
    struct Trunk {
        // state, slips, loss of basic frame, loss of carrier, AIS, RAI
        std::int32_t values[6] = {};
        // The errno of a broken status read, 0 while it works.
        int broken = 0;
    };

    // The trunk a word names; null when it names none.
    Trunk* TrunkOf(const std::string& word);
    SimReply CmdStatus(const SimArgs& args);
    SimReply CmdBroken(const SimArgs& args);
    SimReply CmdTclk(const SimArgs& args);
    SimReply CmdSource(const SimArgs& args);

    Trunk trunks[E1Driver::trunkCount];
    SimHistory<unsigned long> tclk;
    long source = -1;
};

}  // namespace Board
