#include "hardware/sim/BoardSimMixer.h"

#include "hardware/DevNames.h"
#include "hardware/MixerDriver.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace Board {

SimMixer::SimMixer() : SimDevice(GetMixerDevName()) { Reset(); }

void SimMixer::Reset() {
    units.clear();
    AddUnit(1, 32, 32);
    AddUnit(3, 16, 16);
}

void SimMixer::AddUnit(int id, int tdmChannels, int mixerInputs) {
    units[id] = Unit{tdmChannels, mixerInputs, {}};
}

int SimMixer::Unit::InputsInUse() const {
    std::size_t used = 0;
    for (const auto& s : summators) used += s.second.size();
    return int(used);
}

SimMixer::Unit* SimMixer::Find(const Mixer::mix_slot& slot) {
    auto it = units.find(slot.dev_no);
    if (it == units.end() || slot.type != Mixer::tdmChannel || slot.number < 0 ||
        slot.number >= it->second.tdmChannels)
        return nullptr;
    return &it->second;
}

int SimMixer::OnIoctl(SimOpen&, unsigned long request, void* record) {
    if (!record) return -EFAULT;
    auto& slot = *static_cast<Mixer::mix_slot*>(record);
    switch (request) {
        case Mixer::RxClear: {
            Unit* unit = Find(slot);
            if (!unit) return -EINVAL;
            unit->summators.erase(slot.number);
            return 0;
        }
        case Mixer::Tdm:
            return Find(slot) && slot.number < timeslotsPerUnit
                       ? int(Timeslot(slot.dev_no, slot.number))
                       : -EINVAL;
        case Mixer::RxAdd:
            return Add(record);
        case Mixer::RxRemove:
            return Remove(record);
        case Mixer::NextUnit:
            return Enumerate(record);
        default:
            return -ENOTTY;
    }
}

// An input already in the sum takes the new gain.
int SimMixer::Add(void* record) {
    auto& in = *static_cast<Mixer::mix_input*>(record);
    Unit* unit = Find(in.rx);
    if (!unit || Find(in.tx) != unit) return -EINVAL;
    auto sum = unit->summators.find(in.rx.number);
    if (sum != unit->summators.end())
        for (auto& i : sum->second)
            if (i.first == in.tx.number) {
                i.second = in.gain;
                return 0;
            }
    if (unit->InputsInUse() >= unit->mixerInputs) return -ENOSPC;
    unit->summators[in.rx.number].emplace_back(in.tx.number, in.gain);
    return 0;
}

// A summator left without inputs is clear, as after MIX_RX_CLEAR.
int SimMixer::Remove(void* record) {
    auto& in = *static_cast<Mixer::mix_input*>(record);
    Unit* unit = Find(in.rx);
    if (!unit || Find(in.tx) != unit) return -EINVAL;
    auto sum = unit->summators.find(in.rx.number);
    if (sum == unit->summators.end()) return -ENOENT;
    Inputs& inputs = sum->second;
    auto it = std::find_if(inputs.begin(), inputs.end(),
                           [&](const auto& i) { return i.first == in.tx.number; });
    if (it == inputs.end()) return -ENOENT;
    inputs.erase(it);
    if (inputs.empty()) unit->summators.erase(sum);
    return 0;
}

// The unit after the one the caller names, in id order; the first for -1.
int SimMixer::Enumerate(void* record) const {
    auto& info = *static_cast<Mixer::mix_unit*>(record);
    auto it = info.id < 0 ? units.begin() : units.upper_bound(info.id);
    if (it == units.end()) return -ENODEV;
    info = Mixer::mix_unit{it->first, it->second.tdmChannels, 0, it->second.mixerInputs};
    return 0;
}

std::string SimMixer::OnCommand(const std::vector<std::string>& words) {
    static const SimVerbs<SimMixer> verbs{
        {"units", &SimMixer::CmdUnits},   {"add", &SimMixer::CmdAdd},
        {"remove", &SimMixer::CmdRemove}, {"summator", &SimMixer::CmdSummator},
        {"inputs", &SimMixer::CmdInputs},
    };
    return verbs.Answer(*this, words);
}

bool SimMixer::ParseUnit(const std::string& word, long& id) {
    return ParseNumber(word, id, 0, maxUnitId);
}

SimReply SimMixer::CmdUnits(const SimArgs& args) {
    if (!args.empty()) return std::nullopt;
    std::string text;
    for (const auto& u : units)
        text += (text.empty() ? "" : " ") + std::to_string(u.first) + ':' +
                std::to_string(u.second.tdmChannels) + ':' + std::to_string(u.second.mixerInputs);
    return text.empty() ? "none" : text;
}

SimReply SimMixer::CmdAdd(const SimArgs& args) {
    long id = 0, tdm = 0, inputs = 0;
    if (args.size() != 3 || !ParseUnit(args[0], id) || !ParseNumber(args[1], tdm, 1, INT32_MAX) ||
        !ParseNumber(args[2], inputs, 0, INT32_MAX))
        return std::nullopt;
    AddUnit(int(id), int(tdm), int(inputs));
    return "ok";
}

SimReply SimMixer::CmdRemove(const SimArgs& args) {
    long id = 0;
    if (args.size() != 1 || !ParseUnit(args[0], id)) return std::nullopt;
    RemoveUnit(int(id));
    return "ok";
}

SimReply SimMixer::CmdSummator(const SimArgs& args) { return Summator(args, false); }

SimReply SimMixer::CmdInputs(const SimArgs& args) { return Summator(args, true); }

SimReply SimMixer::Summator(const SimArgs& args, bool channels) {
    long id = 0, channel = 0;
    if (args.size() != 2 || !ParseUnit(args[0], id) || !ParseNumber(args[1], channel, 0, INT32_MAX))
        return std::nullopt;
    const Mixer::mix_slot slot{int(id), Mixer::tdmChannel, int(channel)};
    Unit* u = Find(slot);
    if (!u) return "error: no such channel";
    auto s = u->summators.find(slot.number);
    if (s == u->summators.end()) return channels ? "none" : "clear";
    std::string text;
    for (const auto& i : s->second) {
        if (!text.empty()) text += ' ';
        text += std::to_string(channels ? i.first : Timeslot(int(id), i.first));
        if (!channels) text += ':' + std::to_string(i.second);
    }
    return text;
}

}  // namespace Board
