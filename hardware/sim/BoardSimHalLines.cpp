#include "hardware/sim/BoardSimHalLines.h"

#include "hardware/sim/BoardSimDevice.h"
#include "hardware/HalDriver.h"

#include <cerrno>

namespace Board {

void SimHalLines::Reset() {
    clock = -1;
    for (int& s : status) s = powerOnStatus;
    written.clear();
}

bool SimHalLines::Ioctl(unsigned long request, void* record, int& result) {
    if (request != Hal::HW_CLOCK_SELECT && request != Hal::SpiWrite && request != Hal::SpiRead)
        return false;
    if (!record) {
        result = -EFAULT;
        return true;
    }
    if (request == Hal::HW_CLOCK_SELECT) {
        clock = *static_cast<const std::int32_t*>(record);
        result = 0;
        return true;
    }
    const auto& r = *static_cast<const Hal::SpiRecord*>(record);
    if (r.channel >= lineCount) {
        result = -EINVAL;
    } else if (request == Hal::SpiWrite) {
        written[{r.channel, r.address}] = r.data;
        result = 0;
    } else if (r.address == statusRegister) {
        result = status[r.channel];
    } else {
        auto it = written.find({r.channel, r.address});
        result = it == written.end() ? 0 : it->second;
    }
    return true;
}

bool SimHalLines::Command(const std::vector<std::string>& w, std::string& reply) {
    long line = 0, value = 0;
    const bool lineGiven = w.size() == 3 && SimDevice::ParseNumber(w[1], line, 0, lineCount - 1) &&
                           SimDevice::ParseNumber(w[2], value, 0, 0xFF);
    if (w.size() == 1 && w[0] == "clock") {
        reply = clock < 0 ? "none" : std::to_string(clock);
    } else if (w.size() == 3 && w[0] == "spi-status" && lineGiven) {
        status[line] = int(value);
        reply = "ok";
    } else if (w.size() == 3 && w[0] == "spi-reg" && lineGiven) {
        auto it = written.find({int(line), int(value)});
        reply = it == written.end() ? "none" : SimDevice::HexOctet(it->second);
    } else {
        return false;
    }
    return true;
}

}  // namespace Board
