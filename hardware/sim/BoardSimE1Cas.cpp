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

std::string SimE1Cas::OnCommand(const std::vector<std::string>& w) {
    long trunk = -1, timeslot = -1, rx = -1;
    Channel* c = w.size() >= 3 && ParseNumber(w[1], trunk, INT32_MIN, INT32_MAX) &&
                         ParseNumber(w[2], timeslot, INT32_MIN, INT32_MAX)
                     ? Find(std::int32_t(trunk), std::int32_t(timeslot))
                     : nullptr;
    if (w.size() == 3 && w[0] == "channel" && c)
        return "rx " + HexNumber(c->rx) + " tx " + HexNumber(c->tx) +
               (c->enabled ? " enabled" : " disabled");
    if (w.size() == 4 && w[0] == "change" && c && ParseNumber(w[3], rx, 0, 15)) {
        c->rx = std::uint8_t(rx);
        E1Driver::cas_channel record{std::int32_t(trunk), std::int32_t(timeslot), c->rx, c->tx, {}};
        Deliver(&record, sizeof record);
        return "ok";
    }
    return Refuse(w, {"channel", "change"});
}

}  // namespace Board
