#include "hardware/sim/BoardSimMaintenance.h"

#include "hardware/DevNames.h"

#include <cerrno>
#include <cstdint>

namespace Board {

SimMaintenance::SimMaintenance() : SimDevice(GetMaintenance()) {}

void SimMaintenance::Reset() {
    for (Trunk& t : trunks) t = Trunk{};
    tclk.Clear();
    source = -1;
}

int SimMaintenance::OnIoctl(SimOpen&, unsigned long request, void* record) {
    if (request != E1Driver::StatusRead) return -ENOTTY;
    if (!record) return -EFAULT;
    auto& r = *static_cast<E1Driver::TrunkStatusRecord*>(record);
    if (r.trunk < 0 || r.trunk >= E1Driver::trunkCount) return -EINVAL;
    const Trunk& t = trunks[r.trunk];
    if (t.broken) return -t.broken;
    r.state = t.values[0];
    r.slips = t.values[1];
    r.lossBF = t.values[2];
    r.lossCarrier = t.values[3];
    r.ais = t.values[4];
    r.rai = t.values[5];
    return 0;
}

int SimMaintenance::OnIoctlValue(SimOpen&, unsigned long request, unsigned long value) {
    if (request == E1Driver::SelectSource) {
        source = long(std::int32_t(value));
        return 0;
    }
    if (request != E1Driver::SetTclk) return -ENOTTY;
    tclk.Add(value & 0xFFFFFFFFUL);
    return 0;
}

std::string SimMaintenance::OnCommand(const std::vector<std::string>& words) {
    static const SimVerbs<SimMaintenance> verbs{
        {"status", &SimMaintenance::CmdStatus},
        {"broken", &SimMaintenance::CmdBroken},
        {"tclk", &SimMaintenance::CmdTclk},
        {"source", &SimMaintenance::CmdSource},
    };
    return verbs.Answer(*this, words);
}

SimMaintenance::Trunk* SimMaintenance::TrunkOf(const std::string& word) {
    long trunk = 0;
    return ParseNumber(word, trunk, 0, E1Driver::trunkCount - 1) ? &trunks[trunk] : nullptr;
}

SimReply SimMaintenance::CmdStatus(const SimArgs& args) {
    Trunk* trunk = args.size() == 7 ? TrunkOf(args[0]) : nullptr;
    if (!trunk) return std::nullopt;
    Trunk t;
    for (int i = 0; i < 6; ++i) {
        long value = 0;
        if (!ParseNumber(args[1 + i], value, INT32_MIN, INT32_MAX)) return std::nullopt;
        t.values[i] = std::int32_t(value);
    }
    *trunk = t;
    return "ok";
}

SimReply SimMaintenance::CmdBroken(const SimArgs& args) {
    Trunk* trunk = args.size() == 2 ? TrunkOf(args[0]) : nullptr;
    int error = 0;
    if (!trunk || !ParseErrno(args[1], error)) return std::nullopt;
    trunk->broken = error;
    return "ok";
}

SimReply SimMaintenance::CmdTclk(const SimArgs& args) {
    if (!args.empty()) return std::nullopt;
    std::string masks;
    for (unsigned long mask : tclk) masks += (masks.empty() ? "" : " ") + HexNumber(mask);
    return masks.empty() ? "none" : masks;
}

SimReply SimMaintenance::CmdSource(const SimArgs& args) {
    if (!args.empty()) return std::nullopt;
    return source < 0 ? "none" : std::to_string(source);
}

}  // namespace Board
