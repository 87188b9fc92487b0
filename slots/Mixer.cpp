#include "slots/Mixer.h"

#include "config/StreamManip.h"
#include "hardware/DevNames.h"
#include "runtime/Errno.h"
#include "slots/MixerFactory.h"
#include "slots/MixerSlot.h"

#include <algorithm>
#include <cerrno>
#include <iostream>

namespace Mixer {

void Mixer::PutHeader(std::ostream& os) const { os << "mixer [" << unitId << "]: "; }

int Mixer::TdmChannel(const LGCP::MixerChannel& channel) {
    if (!channel.tdm_isSelected()) return -1;
    const int number = channel.get_tdm().getValue();
    return number >= 0 && number < MixerFactory::instance().tdm_channels() ? number : -1;
}

// Aborted slots of a unit that came back stay in the factory's list until
// the controller destroys them, and they still hold their timeslot and its
// receivers.
template <class Kind>
int Mixer::FreeChannel(const LGCP::MixerChannel& channel) const {
    const int number = TdmChannel(channel);
    if (number < 0) return -1;
    for (const Slot* slot : MixerFactory::instance().GetSlots()) {
        const auto* held = dynamic_cast<const Kind*>(slot);
        if (held && held->mixer.id() == unitId && held->channel == number) {
            std::cerr << ext::header(this) << "channel " << number << " is held by " << *slot
                      << std::endl;
            return -1;
        }
    }
    return number;
}

std::vector<TdmInput*> Mixer::InputsOf(int summator) const {
    std::vector<TdmInput*> found;
    for (MixerSlot* slot : slots)
        if (auto* in = dynamic_cast<TdmInput*>(slot); in && in->summator == summator)
            found.push_back(in);
    return found;
}

template <class Kind>
Kind* Mixer::SlotOn(int channel) const {
    for (MixerSlot* slot : slots)
        if (auto* held = dynamic_cast<Kind*>(slot); held && held->channel == channel) return held;
    return nullptr;
}

bool Mixer::InputOn(int timeslot) {
    for (const Slot* slot : MixerFactory::instance().GetSlots())
        if (const auto* in = dynamic_cast<const TdmInput*>(slot); in && in->timeslot == timeslot)
            return true;
    return false;
}

void Mixer::StopDial(TdmSlot& slot) {
    if (!slot.is_inDTMFTransmit()) return;
    slot.enableSilence();
    slot.disableToneGenerator(true);
}

bool Mixer::Channel2Slot(const LGCP::MixerChannel& channel, mix_slot& out) const {
    out = mix_slot{std::int32_t(unitId), 0, 0};
    if (!channel.tdm_isSelected()) return false;
    out.type = tdmChannel;
    out.number = channel.get_tdm().getValue();
    return true;
}

template <class Record>
Hardware::OwedRequests::Request Mixer::Requesting(unsigned long request, const Record& record,
                                                  std::string words) {
    using Hardware::Outcome;
    Hardware::OwedRequests::Request asked;
    asked.send = [request, record] {
        Record copy = record;
        return Ask(request, &copy);
    };
    asked.refused = [this, words](const Outcome& outcome) {
        std::cerr << ext::header(this) << words << " fail : " << Errno(outcome.error) << std::endl;
    };
    asked.unopened = [this, words](const Outcome& outcome) {
        std::cerr << ext::header(this) << words << " fail : device \"" << GetMixerDevName()
                  << "\" open fail: " << Errno(outcome.error) << std::endl;
    };
    return asked;
}

template <class Record>
Hardware::Outcome Mixer::Answered(unsigned long request, const Record& record, int where,
                                  std::string words, int channel) {
    return requests.Ask(KeyOf(request, where, channel),
                        Requesting(request, record, std::move(words)),
                        Hardware::OwedRequests::IfRefused::Drop);
}

// A channel's words, as the lines of its requests name it.
static std::string Words(const char* name, const mix_slot& channel) {
    return std::string(name) + " dev_no=" + std::to_string(channel.dev_no) +
           " type=" + std::to_string(channel.type) + " number=" + std::to_string(channel.number);
}

// A sum entry's words, as the lines of its requests name it.
static std::string Entry(const char* name, int summator, int channel) {
    return std::string(name) + " rx.number=" + std::to_string(summator) +
           " tx.number=" + std::to_string(channel);
}

Hardware::Outcome Mixer::AddInput(const mix_slot& rx, const mix_slot& tx, std::int32_t gain,
                                  Hardware::OwedRequests::IfRefused refused,
                                  std::function<void()> joined) {
    Hardware::OwedRequests::Request add =
        Requesting(RxAdd, mix_input{rx, tx, gain}, Entry("MIX_RX_ADD", rx.number, tx.number));
    add.send = [this, send = add.send, entry = std::pair(rx.number, tx.number), joined] {
        const Hardware::Outcome outcome = send();
        if (!outcome.taken()) return outcome;
        entries.insert(entry);
        if (joined) joined();
        return outcome;
    };
    return requests.Ask(KeyOf(RxAdd, rx.number, tx.number), std::move(add), refused);
}

// Answered with success whatever the driver did, as the create or the
// output that asked for it is. A take finds the input by its channel, a unit
// having one input to a channel; a create asks before its input is made, and
// tells it itself of an add taken at once.
Hardware::Outcome Mixer::Join(int summator, int channel) {
    return AddInput(Address(summator), Address(channel), fullGain,
                    Hardware::OwedRequests::IfRefused::Owe, [this, channel] {
                        if (TdmInput* in = SlotOn<TdmInput>(channel)) in->inSum = true;
                    });
}

bool Mixer::IsRemoval(const Hardware::OwedRequests::Key& key) {
    return key.what >> 16 == (RxRemove & 0xFF);
}

bool Mixer::Holds(const Hardware::OwedRequests::Key& key) const {
    return IsRemoval(key) && entries.count({int(key.where), int(key.what & 0xFFFF)});
}

int Mixer::channel2timeslot(int channel) {
    const Hardware::Outcome timeslot =
        Answered(Tdm, Address(channel), channel, Words("MIX_TDM", Address(channel)));
    return timeslot.taken() ? timeslot.value : -1;
}

bool Mixer::ClearSum(int channel) {
    if (!Answered(RxClear, Address(channel), channel, Words("MIX_RX_CLEAR", Address(channel)))
             .taken())
        return false;
    for (TdmInput* in : InputsOf(channel)) in->inSum = false;
    entries.erase(entries.lower_bound({channel, INT32_MIN}),
                  entries.upper_bound({channel, INT32_MAX}));
    requests.ForgetIf([this, channel](const Hardware::OwedRequests::Key& key) {
        return key.unit == unitId && key.where == std::uint32_t(channel);
    });
    return true;
}

void Mixer::RemoveInput(int summator, int channel) {
    requests.Ask(KeyOf(RxRemove, summator, channel), Removal(summator, channel),
                 Hardware::OwedRequests::IfRefused::Undo);
}

// A sum that no longer holds the entry has nothing left to remove: the unit
// lost its sums with its power, or they were cleared under it. Only the
// driver's own answer says so; a device that did not open says nothing of
// the sum. A removal taken at its first request is the ordinary case; one
// taken on a retry says so, since its refusal was logged.
Hardware::OwedRequests::Request Mixer::Removal(int summator, int channel) {
    using Hardware::Outcome;
    const std::string words = Entry("MIX_RX_REMOVE", summator, channel);
    Hardware::OwedRequests::Request removal =
        Requesting(RxRemove, mix_input{Address(summator), Address(channel), 0}, words);
    removal.send = [this, send = removal.send, words, summator, channel] {
        const Outcome outcome = send();
        const bool gone = outcome.kind == Outcome::Refused && outcome.error == ENOENT;
        if (!outcome.taken() && !gone) return outcome;
        entries.erase({summator, channel});
        if (requests.Paying())
            std::clog << ext::header(this) << words
                      << (gone ? " done: the sum no longer holds it" : " done") << std::endl;
        return Outcome{};
    };
    return removal;
}

bool Mixer::Owes(int channel) const {
    const Hardware::OwedRequests::Key removal = KeyOf(RxRemove, 0, channel);
    return requests.OwesAny([removal](const Hardware::OwedRequests::Key& key) {
        return key.unit == removal.unit && key.what == removal.what;
    });
}

bool Mixer::ClearTX(const LGCP::MixerChannel& channel) {
    mix_slot summator;
    if (!Channel2Slot(channel, summator)) {
        std::clog << ext::header(this) << "ClearTX error: translation fail" << std::endl;
        return false;
    }
    return ClearSum(summator.number);
}

bool Mixer::SetTX(const LGCP::MixerOutParams& params) {
    if (!ClearTX(params.get_channel())) return false;
    if (AddInputs(params)) return true;
    ClearTX(params.get_channel());
    return false;
}

// Stops at the first input that fails, leaving those before it added.
bool Mixer::AddInputs(const LGCP::MixerOutParams& params) {
    mix_slot summator;
    if (!Channel2Slot(params.get_channel(), summator)) return false;
    const auto& inputs = params.get_inputs();
    constexpr auto refused = Hardware::OwedRequests::IfRefused::Drop;
    if (inputs.size() == 0) return AddInput(summator, summator, fullGain, refused).taken();
    for (const LGCP::MixerInput& input : inputs) {
        mix_slot tx;
        if (!Channel2Slot(input.get_channel(), tx)) {
            std::cerr << ext::header(this) << "SetTX error: translation fail [2]" << std::endl;
            return false;
        }
        if (!AddInput(summator, tx, input.get_gain().getValue(), refused).taken()) return false;
    }
    return true;
}

// An input whose summator is not a TDM channel feeds no sum: nothing is
// added for it, and nothing is removed at its release. One that the output
// of its summator lists is in the sum already, at the gain the output gave
// it, and stays the output's. The input's own add goes before anything of
// the slot reaches a driver: one the driver refuses as invalid will never
// be in the sum, and its create is refused leaving nothing behind. Every
// create asks first for the owed removals, however recently refused, since
// a channel whose removal is owed goes to no new slot; the owed adds wait
// their second, as every retry does.
Slot* Mixer::New(const LGCP::MixerInParams& params) {
    requests.Pay(IsRemoval);
    const int channel = FreeChannel<TdmInput>(params.get_channel());
    const int timeslot = channel < 0 || Owes(channel) ? -1 : channel2timeslot(channel);
    if (timeslot < 0) return nullptr;
    int summator = -1;
    bool inSum = false;
    if (params.summator_isPresent()) {
        mix_slot sum;
        if (Channel2Slot(params.get_summator(), sum)) {
            summator = sum.number;
            const TdmOutput* out = SlotOn<TdmOutput>(summator);
            if (!out || !out->Lists(channel)) {
                const Hardware::Outcome add = Join(summator, channel);
                if (add.dropped()) return nullptr;
                inSum = add.taken();
            }
        } else {
            std::cerr << ext::header(this) << "wrong summator coding !" << std::endl;
        }
    }
    auto* in = new TdmInput(*this, channel, timeslot);
    in->summator = summator;
    in->inSum = inSum;
    if (params.ecm_isPresent()) {
        const LGCP::EchoCancelMode& ecm = params.get_ecm();
        in->echoCancel(ecm.get_ec() || ecm.get_es());
    }
    return Register(in);
}

// The channel is checked before its summator is touched: no summator stays
// programmed for an output that was refused. The inputs made before the
// output that feed its channel join the sum again, those it lists at the
// gain it gives them. A listed channel whose removal from another sum is
// still owed would be heard in both, and so would the output's own channel
// when it lists none.
Slot* Mixer::New(const LGCP::MixerOutParams& params) {
    requests.Pay(IsRemoval);
    for (const LGCP::MixerInput& input : params.get_inputs())
        if (input.get_channel().tdm_isSelected() && Owes(input.get_channel().get_tdm().getValue()))
            return nullptr;
    const int channel = FreeChannel<TdmOutput>(params.get_channel());
    const bool ownOwed = params.get_inputs().size() == 0 && Owes(channel);
    const int timeslot = channel < 0 || ownOwed ? -1 : channel2timeslot(channel);
    if (timeslot < 0 || !SetTX(params)) return nullptr;
    auto* out = new TdmOutput(*this, channel, timeslot);
    for (const LGCP::MixerInput& input : params.get_inputs())
        out->inputs.push_back(input.get_channel().get_tdm().getValue());
    for (TdmInput* in : InputsOf(channel))
        if (!out->Lists(in->channel)) Join(channel, in->channel);
    return Register(out);
}

// A unit that discovery lost has either left the driver or come back reset
// under a new unit object: its slots leave the sums alone.
void Mixer::Release(TdmInput& in) {
    StopDial(in);
    requests.Forget(KeyOf(RxAdd, in.summator, in.channel));
    if (in.inSum && !dead) RemoveInput(in.summator, in.channel);
    UnRegister(&in);
}

void Mixer::Release(TdmOutput& out) {
    StopDial(out);
    if (!dead) {
        std::clog << ext::header(this) << "clear tdm output " << out.channel << std::endl;
        ClearSum(out.channel);
    }
    UnRegister(&out);
}

// One line for the whole reset, naming the first failure's error, paced as
// every request of the unit's is.
void Mixer::Reset() {
    using Hardware::Outcome;
    std::clog << ext::header(this) << "clear all inputs" << std::endl;
    int failures = 0;
    Hardware::OwedRequests::Request reset;
    reset.send = [this, &failures] {
        Outcome first;
        for (int n = 0; n < MixerFactory::instance().tdm_channels(); ++n) {
            mix_slot summator = Address(n);
            const Outcome outcome = Ask(RxClear, &summator);
            if (outcome.taken()) continue;
            if (!failures++) first = outcome;
        }
        return first;
    };
    reset.refused = reset.unopened = [this, &failures](const Outcome& outcome) {
        std::cerr << ext::header(this) << "reset fail: " << failures
                  << " errors. [cause=" << Errno(outcome.error) << "]" << std::endl;
    };
    requests.Ask(KeyOf(RxClear, -1), std::move(reset), Hardware::OwedRequests::IfRefused::Drop);
}

// An abort signal goes to the other services and to the controller, and none
// of them releases a slot on it: no slot leaves the list during the walk.
// Its sums went with it: nothing is owed to them.
void Mixer::Clear() {
    entries.clear();
    requests.ForgetIf(
        [this](const Hardware::OwedRequests::Key& key) { return key.unit == unitId; });
    for (MixerSlot* slot : slots) slot->OnAbort(0);
    CheckForDestroy();
}

MixerSlot* Mixer::Register(MixerSlot* slot) {
    slots.push_back(slot);
    return slot;
}

void Mixer::UnRegister(MixerSlot* slot) {
    slots.erase(std::remove(slots.begin(), slots.end(), slot), slots.end());
    CheckForDestroy();
}

void Mixer::CheckForDestroy() {
    if (dead && slots.empty()) delete this;
}

}  // namespace Mixer
