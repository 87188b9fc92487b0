#include "hardware/sim/BoardSimDsproc.h"

#include "hardware/DevNames.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace Board {

namespace {

// The feature whose enable id an event of the type carries.
std::uint32_t FeatureOf(std::uint32_t type) {
    switch (type) {
        case Dsproc::TypeVAD:
            return Dsproc::MaskVAD;
        case Dsproc::TypeSD:
            return Dsproc::MaskSD;
        case Dsproc::TypeBSS:
            return Dsproc::MaskBSS;
        default:
            return 0;
    }
}

}  // namespace

SimDsproc::SimDsproc() : SimEventDevice(GetDSPDevName()) {}

void SimDsproc::Reset() {
    timeslots.clear();
    version = powerOnVersion;
    ClearHistory();
}

bool SimDsproc::Report(std::uint32_t ts, std::uint32_t type, const std::int32_t (&words)[3]) {
    const Timeslot& t = State(ts);
    auto id = t.ids.find(FeatureOf(type));
    Dsproc::EventRecord record{ts, id == t.ids.end() ? 0 : id->second, type, {}};
    std::memcpy(record.payload.words, words, sizeof words);
    return Deliver(&record, sizeof record);
}

int SimDsproc::OnIoctl(SimOpen&, unsigned long request, void* record) {
    if (!record) return -EFAULT;
    if (request == Dsproc::Configure) {
        auto* r = static_cast<Dsproc::ConfigureRecord*>(record);
        Timeslot& t = timeslots[r->timeslot];
        if (r->kind == Dsproc::KindToneFilter)
            t.toneFilters[r->params.toneFilter.freq] = *r;
        else
            t.configuration[r->kind] = *r;
    } else if (request == Dsproc::Enable || request == Dsproc::Disable) {
        auto* r = static_cast<Dsproc::SwitchRecord*>(record);
        Timeslot& t = timeslots[r->timeslot];
        if (request == Dsproc::Disable) {
            t.enabled &= ~r->mask;
            if (r->mask & Dsproc::MaskToneAll)
                for (auto& filter : t.toneFilters) filter.second.params.toneFilter.enable = 0;
        } else {
            t.enabled |= r->mask;
            for (std::uint32_t bit = 1; bit; bit <<= 1)
                if (r->mask & bit) t.ids[bit] = r->id;
        }
    } else {
        return -ENOTTY;
    }
    Log(request, record, 0);
    return 0;
}

int SimDsproc::OnIoctlValue(SimOpen&, unsigned long request, unsigned long value) {
    if (request != Dsproc::Version) return -ENOTTY;
    Log(request, nullptr, value);
    return version;
}

std::string SimDsproc::Fields(const Dsproc::ConfigureRecord& r) const {
    std::vector<unsigned long> fields;
    const auto& p = r.params;
    switch (r.kind) {
        case Dsproc::KindVAD:
            if (version == 2) fields = {p.vad.voice_ms, p.vad.silence_ms, p.vad.energy_dB};
            break;
        case Dsproc::KindRxGain:
            fields = {p.gain_dB};
            break;
        case Dsproc::KindToneFilter:
            fields = {p.toneFilter.freq, p.toneFilter.enable, p.toneFilter.duration_ms,
                      p.toneFilter.level_dB};
            break;
    }
    if (fields.empty()) fields.assign(p.words, p.words + 3);
    std::string text;
    for (unsigned long field : fields) text += (text.empty() ? "" : " ") + std::to_string(field);
    return text;
}

std::string SimDsproc::OnCommand(const std::vector<std::string>& words) {
    static const SimVerbs<SimDsproc> verbs{
        {"event", &SimDsproc::CmdEvent},     {"version", &SimDsproc::CmdVersion},
        {"enabled", &SimDsproc::CmdEnabled}, {"configured", &SimDsproc::CmdConfigured},
        {"gain", &SimDsproc::CmdGain},
    };
    return verbs.Answer(*this, words);
}

SimReply SimDsproc::CmdEvent(const SimArgs& args) {
    std::uint32_t ts = 0;
    long type = 0;
    if (args.size() < 3 || args.size() > 5 || !ParseTimeslot(args[0], ts) ||
        !ParseNumber(args[1], type, 0, UINT32_MAX))
        return std::nullopt;
    std::int32_t words[3] = {0, 0, 0};
    for (std::size_t i = 2; i < args.size(); ++i) {
        char* end = nullptr;
        const float score = std::strtof(args[i].c_str(), &end);
        long number = 0;
        if (type == Dsproc::TypeBSS && i == 2 && *end == '\0' && end != args[i].c_str())
            std::memcpy(&words[0], &score, sizeof score);
        // A payload word is signed or not by the event's type.
        else if (ParseNumber(args[i], number, INT32_MIN, UINT32_MAX))
            words[i - 2] = std::int32_t(number);
        else
            return std::nullopt;
    }
    return Report(ts, std::uint32_t(type), words) ? "ok" : "error: not open";
}

// The version is the request's result, which a negative one would make a failure.
SimReply SimDsproc::CmdVersion(const SimArgs& args) {
    long number = 0;
    if (args.empty()) return std::to_string(version);
    if (args.size() != 1 || !ParseNumber(args[0], number, 0, INT32_MAX)) return std::nullopt;
    version = int(number);
    return "ok";
}

SimReply SimDsproc::CmdEnabled(const SimArgs& args) {
    std::uint32_t ts = 0;
    if (args.size() != 1 || !ParseTimeslot(args[0], ts)) return std::nullopt;
    return std::to_string(State(ts).enabled);
}

SimReply SimDsproc::CmdConfigured(const SimArgs& args) {
    std::uint32_t ts = 0;
    long kind = 0, freq = 0;
    if ((args.size() != 2 && args.size() != 3) || !ParseTimeslot(args[0], ts) ||
        !ParseNumber(args[1], kind, 0, UINT32_MAX) ||
        (args.size() == 3 && !ParseNumber(args[2], freq, 0, UINT32_MAX)))
        return std::nullopt;
    const bool toneFilter = kind == Dsproc::KindToneFilter;
    if (toneFilter != (args.size() == 3))
        return "error: a tone filter, and only a tone filter, is named by its frequency";
    const Timeslot& t = State(ts);
    const auto& held = toneFilter ? t.toneFilters : t.configuration;
    const auto found = held.find(std::uint32_t(toneFilter ? freq : kind));
    return found == held.end() ? "none" : Fields(found->second);
}

SimReply SimDsproc::CmdGain(const SimArgs& args) {
    std::uint32_t ts = 0;
    if (args.size() != 1 || !ParseTimeslot(args[0], ts)) return std::nullopt;
    const auto& configured = State(ts).configuration;
    auto gain = configured.find(Dsproc::KindRxGain);
    return HexOctet(gain == configured.end() ? 0 : gain->second.params.gain_dB);
}

}  // namespace Board
