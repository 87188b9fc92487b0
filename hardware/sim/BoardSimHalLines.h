// The line side of the simulated HAL driver: the TDM bus clock selector and
// the eight BRI line devices behind the SPI bus, each a set of registers that
// remembers what was written and a status register (0x33) that reads 0xC5,
// lines up and in frame, until a test says otherwise.
//
// Control lines (after "/dev/hal"):
//   clock                -> the clock source code last selected, or "none"
//   spi-status CH V      -> "ok": register 0x33 of line CH reads V from now on
//   spi-reg CH ADDR      -> "0xNN", the value last written there, or "none"
#pragma once

#include "hardware/sim/BoardSimVerbs.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Board {

class SimHalLines {
public:
    static constexpr int lineCount = 8;
    static constexpr int statusRegister = 0x33;
    static constexpr int powerOnStatus = 0xC5;

    SimHalLines() { Reset(); }

    // False for a request the line side does not serve; otherwise the
    // request's result (or minus an errno) in result.
    bool Ioctl(unsigned long request, void* record, int& result);
    // False for a line whose verb the line side does not take; otherwise its
    // reply.
    bool Command(const std::vector<std::string>& words, std::string& reply);
    void Reset();

private:
    SimReply CmdClock(const SimArgs& args);
    SimReply CmdSpiStatus(const SimArgs& args);
    SimReply CmdSpiReg(const SimArgs& args);
    // The line and the register or value of a line's two arguments.
    static bool ParseLineAndOctet(const SimArgs& args, long& line, long& octet);

    int clock = -1;
    int status[lineCount];
    // (line, register) -> the value last written.
    std::map<std::pair<int, int>, int> written;
};

}  // namespace Board
