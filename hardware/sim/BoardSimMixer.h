// The simulated conference mixer driver ("/dev/mixer"): units with their TDM
// channels and summator inputs, the switch timeslot of each channel, and the
// inputs and gains programmed into each summator. It powers on with unit 1
// (32 TDM channels, 32 inputs) and unit 3 (16 TDM channels, 16 inputs).
// Channel c of unit id sits on switch timeslot 16384 + 256 x id + c, above
// the trunk, echo, HDLC controller and shared-bus channels; a unit may claim
// any count a driver record carries, but only its first 256 channels have a
// timeslot (the others' fails with EINVAL). A unit's summators share its
// inputs: an add beyond them fails with ENOSPC, a request on a channel the
// unit does not have (or on a unit that is gone) with EINVAL, and a remove of
// an input that is not in the sum with ENOENT.
//
// Control lines (after "/dev/mixer"):
//   units              -> "ID:TDM:INPUTS" per unit in id order, blank-separated, or "none"
//   add ID TDM INPUTS  -> "ok": a new unit, or unit ID afresh (ID 0..191, TDM 1..2147483647,
//                         INPUTS 0..2147483647)
//   remove ID          -> "ok"
//   summator ID CH     -> "TIMESLOT:GAIN" per input in the order added, or "clear"
//   inputs ID CH       -> the channel of each input in the order added, or "none"
#pragma once

#include "hardware/sim/BoardSimDevice.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace Mixer {
struct mix_slot;
}

namespace Board {

class SimMixer : public SimDevice {
public:
    static constexpr int timeslotBase = 16384;
    static constexpr int maxUnitId = 191;
    static constexpr int timeslotsPerUnit = 256;

    SimMixer();

    static std::int64_t Timeslot(int unit, int channel) {
        return timeslotBase + std::int64_t(timeslotsPerUnit) * unit + channel;
    }
    void AddUnit(int id, int tdmChannels, int mixerInputs);
    void RemoveUnit(int id) { units.erase(id); }

    int OnIoctl(SimOpen& open, unsigned long request, void* record) override;
    std::string OnCommand(const std::vector<std::string>& words) override;
    void Reset() override;

private:
    // Per summator channel, its inputs (channel, gain) in the order added.
    using Inputs = std::vector<std::pair<int, int>>;
    struct Unit {
        int tdmChannels;
        int mixerInputs;
        std::map<int, Inputs> summators;
        int InputsInUse() const;
    };

    // The unit of a TDM channel that exists; null otherwise.
    Unit* Find(const Mixer::mix_slot& slot);
    int Add(void* record);
    int Remove(void* record);
    int Enumerate(void* record) const;
    static bool ParseUnit(const std::string& word, long& id);
    SimReply CmdUnits(const SimArgs& args);
    SimReply CmdAdd(const SimArgs& args);
    SimReply CmdRemove(const SimArgs& args);
    SimReply CmdSummator(const SimArgs& args);
    SimReply CmdInputs(const SimArgs& args);
    // A summator's inputs: each one's timeslot and gain, or with channels,
    // each one's channel.
    SimReply Summator(const SimArgs& args, bool channels);

    std::map<int, Unit> units;
};

}  // namespace Board
