#include "hardware/sim/BoardSimE1Cas.h"

#include "hardware/DevNames.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace Board {

SimE1Cas::SimE1Cas() : SimEventDevice(GetE1CasDevName()) {}

void SimE1Cas::Reset() {
    std::fill(std::begin(trunkOpen), std::end(trunkOpen), false);
    for (auto& trunk : channels) std::fill(std::begin(trunk), std::end(trunk), Channel{});
    ClearHistory();
}

SimE1Cas::Channel* SimE1Cas::Find(std::int32_t path, std::int32_t timeslot) {
    if (path < 0 || path >= E1Driver::trunkCount || timeslot < 0 || timeslot >= timeslotCount)
        return nullptr;
    return &channels[path][timeslot];
}

int SimE1Cas::OnIoctlValue(SimOpen&, unsigned long request, unsigned long trunk) {
    if (request != E1Driver::OpenTrunk && request != E1Driver::CloseTrunk) return -ENOTTY;
    if (trunk >= unsigned(E1Driver::trunkCount)) return -EINVAL;
    trunkOpen[trunk] = request == E1Driver::OpenTrunk;
    Log(request, nullptr, trunk);
    return 0;
}

int SimE1Cas::OnIoctl(SimOpen&, unsigned long request, void* record) {
    if (request != E1Driver::SetChannel && request != E1Driver::GetChannel &&
        request != E1Driver::EnableChannel)
        return -ENOTTY;
    if (!record) return -EFAULT;
    auto& r = *static_cast<E1Driver::cas_channel*>(record);
    Channel* c = Find(r.path, r.timeslot);
    if (!c) return -EINVAL;
    switch (request) {
        case E1Driver::SetChannel:
            c->tx = r.tx & 15;
            break;
        case E1Driver::GetChannel:
            r.rx = c->rx;
            r.tx = c->tx;
            break;
        default: {
            const std::int32_t disable = static_cast<E1Driver::CasEnableRecord*>(record)->disable;
            if (disable != 0 && disable != 1) return -EINVAL;
            c->enabled = !disable;
            if (!disable) c->tx = r.tx & 15;
        }
    }
    Log(request, record, 0);
    return 0;
}

std::string SimE1Cas::OnCommand(const std::vector<std::string>& words) {
    static const SimVerbs<SimE1Cas> verbs{
        {"channel", &SimE1Cas::CmdChannel},
        {"change", &SimE1Cas::CmdChange},
    };
    return verbs.Answer(*this, words);
}

SimE1Cas::Channel* SimE1Cas::ChannelOf(const SimArgs& args, std::int32_t& trunk,
                                       std::int32_t& timeslot) {
    long t = -1, ts = -1;
    if (args.size() < 2 || !ParseNumber(args[0], t, INT32_MIN, INT32_MAX) ||
        !ParseNumber(args[1], ts, INT32_MIN, INT32_MAX))
        return nullptr;
    trunk = std::int32_t(t);
    timeslot = std::int32_t(ts);
    return Find(trunk, timeslot);
}

SimReply SimE1Cas::CmdChannel(const SimArgs& args) {
    std::int32_t trunk = 0, timeslot = 0;
    const Channel* c = args.size() == 2 ? ChannelOf(args, trunk, timeslot) : nullptr;
    if (!c) return std::nullopt;
    return "rx " + HexNumber(c->rx) + " tx " + HexNumber(c->tx) +
           (c->enabled ? " enabled" : " disabled");
}

SimReply SimE1Cas::CmdChange(const SimArgs& args) {
    std::int32_t trunk = 0, timeslot = 0;
    long rx = -1;
    Channel* c = args.size() == 3 ? ChannelOf(args, trunk, timeslot) : nullptr;
    if (!c || !ParseNumber(args[2], rx, 0, 15)) return std::nullopt;
    c->rx = std::uint8_t(rx);
    E1Driver::cas_channel record{trunk, timeslot, c->rx, c->tx, {}};
    Deliver(&record, sizeof record);
    return "ok";
}

}  // namespace Board
