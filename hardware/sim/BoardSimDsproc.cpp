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

std::string SimDsproc::OnCommand(const std::vector<std::string>& w) {
    long ts = 0, type = 0, number = 0;
    const bool timeslot = w.size() >= 2 && ParseNumber(w[1], ts, 0, UINT32_MAX);
    if (w.size() >= 4 && w.size() <= 6 && w[0] == "event" && timeslot &&
        ParseNumber(w[2], type, 0, UINT32_MAX)) {
        std::int32_t words[3] = {0, 0, 0};
        for (std::size_t i = 3; i < w.size(); ++i) {
            char* end = nullptr;
            float score = std::strtof(w[i].c_str(), &end);
            if (type == Dsproc::TypeBSS && i == 3 && *end == '\0' && end != w[i].c_str())
                std::memcpy(&words[0], &score, sizeof score);
            // A payload word is signed or not by the event's type.
            else if (ParseNumber(w[i], number, INT32_MIN, UINT32_MAX))
                words[i - 3] = std::int32_t(number);
            else
                return "error: bad value " + w[i];
        }
        return Report(std::uint32_t(ts), std::uint32_t(type), words) ? "ok" : "error: not open";
    }
    if (w.size() == 1 && w[0] == "version") return std::to_string(version);
    // The version is the request's result, which a negative one would make a failure.
    if (w.size() == 2 && w[0] == "version" && ParseNumber(w[1], number, 0, INT32_MAX)) {
        version = int(number);
        return "ok";
    }
    if (w.size() == 2 && w[0] == "enabled" && timeslot)
        return std::to_string(State(std::uint32_t(ts)).enabled);
    if ((w.size() == 3 || w.size() == 4) && w[0] == "configured" && timeslot &&
        ParseNumber(w[2], type, 0, UINT32_MAX) &&
        (w.size() == 3 || ParseNumber(w[3], number, 0, UINT32_MAX))) {
        if ((type == Dsproc::KindToneFilter) != (w.size() == 4))
            return "error: a tone filter, and only a tone filter, is named by its frequency";
        const Timeslot& t = State(std::uint32_t(ts));
        const auto& held = type == Dsproc::KindToneFilter ? t.toneFilters : t.configuration;
        const auto found = held.find(std::uint32_t(type == Dsproc::KindToneFilter ? number : type));
        return found == held.end() ? "none" : Fields(found->second);
    }
    if (w.size() == 2 && w[0] == "gain" && timeslot) {
        const auto& configured = State(std::uint32_t(ts)).configuration;
        auto gain = configured.find(Dsproc::KindRxGain);
        return HexOctet(gain == configured.end() ? 0 : gain->second.params.gain_dB);
    }
    return Refuse(w, {"event", "version", "enabled", "configured", "gain"});
}

}  // namespace Board
