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

std::string SimTonec::OnCommand(const std::vector<std::string>& words) {
    static const SimVerbs<SimTonec> verbs{
        {"event", &SimTonec::CmdEvent},
        {"generator", &SimTonec::CmdGenerator},
        {"enabled", &SimTonec::CmdEnabled},
    };
    return verbs.Answer(*this, words);
}

SimReply SimTonec::CmdEvent(const SimArgs& args) {
    std::uint32_t ts = 0;
    long code = 0, id = 0;
    if ((args.size() != 2 && args.size() != 3) || !ParseTimeslot(args[0], ts) ||
        !ParseNumber(args[1], code, INT32_MIN, INT32_MAX) ||
        (args.size() == 3 && !ParseNumber(args[2], id, 0, UINT32_MAX)))
        return std::nullopt;
    const std::uint32_t rid = args.size() == 3 ? std::uint32_t(id) : State(ts).detectorId;
    return Detect(ts, std::int32_t(code), rid) ? "ok" : "error: not open";
}

SimReply SimTonec::CmdGenerator(const SimArgs& args) {
    std::uint32_t ts = 0;
    if (args.size() != 1 || !ParseTimeslot(args[0], ts)) return std::nullopt;
    return Describe(State(ts).generator);
}

SimReply SimTonec::CmdEnabled(const SimArgs& args) {
    std::uint32_t ts = 0;
    if (args.size() != 1 || !ParseTimeslot(args[0], ts)) return std::nullopt;
    const Timeslot& t = State(ts);
    std::string on;
    for (auto [flag, name] : {std::pair{t.detector, "dtmf"}, std::pair{t.iva, "iva"},
                              std::pair{t.rejection, "rejection"}, std::pair{t.lms, "lms"}})
        if (flag) on += (on.empty() ? "" : " ") + std::string(name);
    return on.empty() ? "none" : on;
}

}  // namespace Board
