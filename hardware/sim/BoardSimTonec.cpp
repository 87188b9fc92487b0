#include "hardware/sim/BoardSimTonec.h"

#include "hardware/DevNames.h"
#include "runtime/MuxClock.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace Board {

SimTonec::SimTonec() : SimEventDevice(GetDTMFDevName()) {}

void SimTonec::Reset() {
    timeslots.clear();
    ClearHistory();
}

std::string SimTonec::Describe(const Tonec::DialRecord& r) {
    if (r.amp1 == 0 && r.amp2 == 0) return r.freq1 == 0 && r.freq2 == 0 ? "off" : "silence";
    return "tone " + std::to_string(r.freq1) + ' ' + std::to_string(r.freq2);
}

bool SimTonec::Detect(std::uint32_t ts, std::int32_t code, std::uint32_t id) {
    Tonec::EventRecord record{code, ts, Mux::milliseconds(), id};
    return Deliver(&record, sizeof record);
}

int SimTonec::OnIoctl(SimOpen&, unsigned long request, void* record) {
    if (!record) return -EFAULT;
    std::uint32_t ts;
    std::memcpy(&ts, record, sizeof ts);
    Timeslot& t = timeslots[ts];
    switch (request) {
        case Tonec::ConfigureDetector:
            std::memcpy(&t.dtmfConfig, record, sizeof t.dtmfConfig);
            break;
        case Tonec::EnableDetector:
            t.detector = true;
            t.detectorId = static_cast<Tonec::EnableRecord*>(record)->id;
            break;
        case Tonec::Dial:
            std::memcpy(&t.generator, record, sizeof t.generator);
            break;
        case Tonec::IvaConfigure:
            std::memcpy(&t.ivaConfig, record, sizeof t.ivaConfig);
            break;
        case Tonec::SelcalDial:
            std::memcpy(&t.selcal, record, sizeof t.selcal);
            break;
        default:
            return -ENOTTY;
    }
    Log(request, record, 0);
    return 0;
}

int SimTonec::OnIoctlValue(SimOpen&, unsigned long request, unsigned long value) {
    Timeslot& t = timeslots[std::uint32_t(value)];
    switch (request) {
        case Tonec::DisableDetector:
            t.detector = false;
            break;
        case Tonec::LmsOn:
            t.lms = true;
            break;
        case Tonec::LmsOff:
            t.lms = false;
            break;
        case Tonec::RejectionEnable:
            t.rejection = true;
            break;
        case Tonec::RejectionDisable:
            t.rejection = false;
            break;
        case Tonec::IvaEnable:
            t.iva = true;
            break;
        case Tonec::IvaDisable:
            t.iva = false;
            break;
        default:
            return -ENOTTY;
    }
    Log(request, nullptr, value);
    return 0;
}

std::string SimTonec::OnCommand(const std::vector<std::string>& w) {
    long ts = 0, code = 0, id = 0;
    const bool timeslot = w.size() >= 2 && ParseNumber(w[1], ts, 0, UINT32_MAX);
    const Timeslot& t = State(std::uint32_t(ts));
    if ((w.size() == 3 || w.size() == 4) && w[0] == "event" && timeslot &&
        ParseNumber(w[2], code, INT32_MIN, INT32_MAX) &&
        (w.size() == 3 || ParseNumber(w[3], id, 0, UINT32_MAX))) {
        std::uint32_t rid = w.size() == 4 ? std::uint32_t(id) : t.detectorId;
        return Detect(std::uint32_t(ts), std::int32_t(code), rid) ? "ok" : "error: not open";
    }
    if (w.size() == 2 && w[0] == "generator" && timeslot) return Describe(t.generator);
    if (w.size() == 2 && w[0] == "enabled" && timeslot) {
        std::string on;
        for (auto [flag, name] : {std::pair{t.detector, "dtmf"}, std::pair{t.iva, "iva"},
                                  std::pair{t.rejection, "rejection"}, std::pair{t.lms, "lms"}})
            if (flag) on += (on.empty() ? "" : " ") + std::string(name);
        return on.empty() ? "none" : on;
    }
    return Refuse(w, {"event", "generator", "enabled"});
}

}  // namespace Board
