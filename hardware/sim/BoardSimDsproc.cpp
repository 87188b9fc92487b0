#include "hardware/sim/BoardSimDsproc.h"

#include "hardware/DevNames.h"

#include <cerrno>
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
    Timeslot& t = timeslots[ts];
    auto id = t.ids.find(FeatureOf(type));
    Dsproc::EventRecord record{ts, id == t.ids.end() ? 0 : id->second, type, {}};
    std::memcpy(record.payload.words, words, sizeof words);
    return Deliver(&record, sizeof record);
}

int SimDsproc::OnIoctl(SimOpen&, unsigned long request, void* record) {
    if (!record) return -EFAULT;
    if (request == Dsproc::Configure) {
        auto* r = static_cast<Dsproc::ConfigureRecord*>(record);
        timeslots[r->timeslot].configuration[r->kind] = *r;
    } else if (request == Dsproc::Enable || request == Dsproc::Disable) {
        auto* r = static_cast<Dsproc::SwitchRecord*>(record);
        Timeslot& t = timeslots[r->timeslot];
        if (request == Dsproc::Disable) {
            t.enabled &= ~r->mask;
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

std::string SimDsproc::OnCommand(const std::vector<std::string>& w) {
    long ts = 0, type = 0, number = 0;
    if (w.size() >= 4 && w.size() <= 6 && w[0] == "event" && ParseNumber(w[1], ts) &&
        ParseNumber(w[2], type)) {
        std::int32_t words[3] = {0, 0, 0};
        for (std::size_t i = 3; i < w.size(); ++i) {
            char* end = nullptr;
            float score = std::strtof(w[i].c_str(), &end);
            if (type == Dsproc::TypeBSS && i == 3 && *end == '\0' && end != w[i].c_str())
                std::memcpy(&words[0], &score, sizeof score);
            else if (ParseNumber(w[i], number))
                words[i - 3] = std::int32_t(number);
            else
                return "error: bad value " + w[i];
        }
        return Report(std::uint32_t(ts), std::uint32_t(type), words) ? "ok" : "error: not open";
    }
    if (w.size() == 1 && w[0] == "version") return std::to_string(version);
    if (w.size() == 2 && w[0] == "version" && ParseNumber(w[1], number)) {
        version = int(number);
        return "ok";
    }
    if (w.size() == 2 && w[0] == "enabled" && ParseNumber(w[1], ts))
        return std::to_string(State(std::uint32_t(ts)).enabled);
    if (w.size() == 2 && w[0] == "gain" && ParseNumber(w[1], ts)) {
        const auto& configured = State(std::uint32_t(ts)).configuration;
        auto gain = configured.find(Dsproc::KindRxGain);
        return HexOctet(gain == configured.end() ? 0 : gain->second.params.gain_dB);
    }
    return "error: unknown command";
}

}  // namespace Board
