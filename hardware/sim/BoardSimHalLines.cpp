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

bool SimHalLines::Command(const std::vector<std::string>& words, std::string& reply) {
    static const SimVerbs<SimHalLines> verbs{
        {"clock", &SimHalLines::CmdClock},
        {"spi-status", &SimHalLines::CmdSpiStatus},
        {"spi-reg", &SimHalLines::CmdSpiReg},
    };
    if (!verbs.Has(words)) return false;
    reply = verbs.Answer(*this, words);
    return true;
}

bool SimHalLines::ParseLineAndOctet(const SimArgs& args, long& line, long& octet) {
    return args.size() == 2 && SimDevice::ParseNumber(args[0], line, 0, lineCount - 1) &&
           SimDevice::ParseNumber(args[1], octet, 0, 0xFF);
}

SimReply SimHalLines::CmdClock(const SimArgs& args) {
    if (!args.empty()) return std::nullopt;
    return clock < 0 ? "none" : std::to_string(clock);
}

SimReply SimHalLines::CmdSpiStatus(const SimArgs& args) {
    long line = 0, value = 0;
    if (!ParseLineAndOctet(args, line, value)) return std::nullopt;
    status[line] = int(value);
    return "ok";
}

SimReply SimHalLines::CmdSpiReg(const SimArgs& args) {
    long line = 0, address = 0;
    if (!ParseLineAndOctet(args, line, address)) return std::nullopt;
    auto it = written.find({int(line), int(address)});
    return it == written.end() ? "none" : SimDevice::HexOctet(it->second);
}

}  // namespace Board
