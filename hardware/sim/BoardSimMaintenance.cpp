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

std::string SimMaintenance::OnCommand(const std::vector<std::string>& w) {
    long trunk = 0;
    const bool trunkGiven = w.size() >= 2 && ParseNumber(w[1], trunk, 0, E1Driver::trunkCount - 1);
    if (w.size() == 8 && w[0] == "status" && trunkGiven) {
        Trunk t;
        for (int i = 0; i < 6; ++i) {
            long value;
            if (!ParseNumber(w[2 + i], value, INT32_MIN, INT32_MAX))
                return "error: bad number " + w[2 + i];
            t.values[i] = std::int32_t(value);
        }
        trunks[trunk] = t;
        return "ok";
    }
    int error;
    if (w.size() == 3 && w[0] == "broken" && trunkGiven && ParseErrno(w[2], error)) {
        trunks[trunk].broken = error;
        return "ok";
    }
    if (w.size() == 1 && w[0] == "tclk") {
        std::string masks;
        for (unsigned long mask : tclk) masks += (masks.empty() ? "" : " ") + HexNumber(mask);
        return masks.empty() ? "none" : masks;
    }
    if (w.size() == 1 && w[0] == "source") return source < 0 ? "none" : std::to_string(source);
    return Refuse(w, {"status", "broken", "tclk", "source"});
}

}  // namespace Board
