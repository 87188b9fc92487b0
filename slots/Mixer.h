// One unit of the board's conference mixer: it programs the unit's summators
// through the mixer driver, translates its channels to switch timeslots,
// makes the mixer input and output slots on it and keeps them until they are
// released. The mixer factory makes a unit when discovery first reports it;
// a unit that discovery has lost aborts its slots and deletes itself once
// the last of them is released.
//
// A channel carries one input and one output, both on the channel's switch
// timeslot: a conference leg is the pair. A second slot of one kind on a
// channel is refused, the aborted slots of an earlier unit with the same id
// included, so a release only undoes what its own slot programmed. An output
// owns its summator and the inputs it lists, or its own channel when it lists
// none; an input owns its entry in another summator while it is there. The
// units' requests follow the owed requests' rules (OwedRequests), one device
// node for every unit: an input's add into its sum, and an input's re-join
// when an output takes its sum, are answered with success and owed until the
// driver takes them or refuses them as invalid, or the input goes; an add
// refused as invalid at the input's create refuses the create, as the input
// would never be in its sum. An entry whose removal the driver refused, or
// whose device did not open, is owed: asked again each second, and before
// each create, until the driver takes it, the sum is cleared or the driver
// answers that the sum no longer holds it, and whatever the error while the
// sum holds the entry; meanwhile the channel goes to no new input or sum, so
// no channel is heard in two conferences.
#pragma once

#include "hardware/MixerDriver.h"
#include "schema/LGCP.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

class Slot;

namespace Mixer {

class MixerSlot;
class TdmSlot;
class TdmInput;
class TdmOutput;

class Mixer {
public:
    // requests: the mixer device's, which every unit shares.
    Mixer(unsigned id, Hardware::OwedRequests& requests) : unitId(id), requests(requests) {}
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    unsigned id() const { return unitId; }
    // Not reported by the last discovery.
    bool isDead() const { return dead; }
    void SetDead(bool on) { dead = on; }
    // "mixer [ID]: ", the start of every line the unit logs.
    void PutHeader(std::ostream& os) const;

    // A slot on a TDM channel below the factory's channel count; null when
    // the channel is refused or cannot be programmed.
    Slot* New(const LGCP::MixerInParams& params);
    Slot* New(const LGCP::MixerOutParams& params);
    // Undoes what New programmed and forgets the slot; the unit may be
    // deleted on the way out.
    void Release(TdmInput& in);
    void Release(TdmOutput& out);
    // Clears every summator of the unit.
    void Reset();
    // Whether a mixer input of any unit receives on the switch timeslot.
    static bool InputOn(int timeslot);
    // The unit is gone from the board: every slot gets an abort signal.
    void Clear();

    bool Channel2Slot(const LGCP::MixerChannel& channel, mix_slot& out) const;
    // Removes every input of the channel's summator.
    bool ClearTX(const LGCP::MixerChannel& channel);
    // The summator of the output channel gets exactly the inputs given, or
    // its own channel at full gain when none is; a sum that cannot be
    // programmed whole is left clear.
    bool SetTX(const LGCP::MixerOutParams& params);
    // The switch timeslot of the channel; -1 when the driver refuses it.
    int channel2timeslot(int channel);

    MixerSlot* Register(MixerSlot* slot);
    void UnRegister(MixerSlot* slot);
    // Deletes the unit when it is dead and has no slot left.
    void CheckForDestroy();

    // Whether the driver holds what the key's undo removes: an entry of one
    // of the unit's sums.
    bool Holds(const Hardware::OwedRequests::Key& key) const;

private:
    // Only a unit's own last release, or the factory at exit, deletes it.
    friend class MixerFactory;
    ~Mixer() = default;

    mix_slot Address(int channel) const { return {std::int32_t(unitId), tdmChannel, channel}; }
    // The channel number when it is a TDM channel the factory accepts; -1 otherwise.
    static int TdmChannel(const LGCP::MixerChannel& channel);
    // The same, and -1 while a slot of this kind and unit id holds the channel.
    template <class Kind>
    int FreeChannel(const LGCP::MixerChannel& channel) const;
    // The live inputs of this unit that feed the summator.
    std::vector<TdmInput*> InputsOf(int summator) const;
    // The live slot of that kind of this unit on the channel; null when there
    // is none.
    template <class Kind>
    Kind* SlotOn(int channel) const;
    // Stops a DTMF dial of the slot still playing; the generator goes back
    // to what the other slot on the timeslot plays.
    static void StopDial(TdmSlot& slot);
    // What the unit's requests are kept under: the request and the channel
    // it names, and the channel of the sum for an entry in a sum.
    Hardware::OwedRequests::Key KeyOf(unsigned long request, int where, int channel = 0) const {
        return {std::uint32_t(where), std::uint32_t((request & 0xFF) << 16 | channel), unitId};
    }
    // A request of the unit as the owed requests keep it: the device opened
    // for it alone, and its failure written after words, a device that did
    // not open named as such.
    template <class Record>
    Hardware::OwedRequests::Request Requesting(unsigned long request, const Record& record,
                                               std::string words);
    // A request answered now, its result the driver's; its failure written
    // at most once a second for each request and channel.
    template <class Record>
    Hardware::Outcome Answered(unsigned long request, const Record& record, int where,
                               std::string words, int channel = 0);
    // One input into a summator, its failure written; taken, the sum holds
    // it and joined runs.
    Hardware::Outcome AddInput(const mix_slot& rx, const mix_slot& tx, std::int32_t gain,
                               Hardware::OwedRequests::IfRefused refused,
                               std::function<void()> joined = nullptr);
    // The entry of the input on the channel into its summator, owed until the
    // driver takes it; the input knows it is in the sum once it is.
    Hardware::Outcome Join(int summator, int channel);
    // The inputs the output parameters list, in their order.
    bool AddInputs(const LGCP::MixerOutParams& params);
    // Every input of the channel's summator off; the inputs that fed it
    // know they are out, and their owed removals are done with.
    bool ClearSum(int channel);

    // Takes the input's entry out of the sum, or owes it.
    void RemoveInput(int summator, int channel);
    Hardware::OwedRequests::Request Removal(int summator, int channel);
    // Whether a removal of the channel's entry from a sum is still owed.
    bool Owes(int channel) const;
    // The key is an entry's removal from a sum.
    static bool IsRemoval(const Hardware::OwedRequests::Key& key);

    const unsigned unitId;
    bool dead = false;
    std::vector<MixerSlot*> slots;
    // Every unit's requests the driver has not taken, and their lines.
    Hardware::OwedRequests& requests;
    // The entries the driver took into the unit's sums: summator, channel.
    std::set<std::pair<int, int>> entries;
};

}  // namespace Mixer
