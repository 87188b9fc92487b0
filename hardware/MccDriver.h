// Requests of the MCC driver ("/dev/mcc/ctl") as the board's kernel defines
// them, shared by the HDLC channel and the simulated board. Each open is one
// HDLC controller channel; after the two requests below it reads and writes
// one frame per call. Records are 32-bit words in the processor's byte order.
#pragma once

#include "hardware/BoardDevices.h"

#include <cstdint>

namespace Mcc {

constexpr unsigned long Allocate = 0x40144d00;  // AllocateRecord, written
// No argument; the result is the switch channel the allocated controller sits on.
constexpr unsigned long Timeslot = 0x20004d02;

struct AllocateRecord {
    // 0, 1 or 3.
    std::uint32_t mode;
    // The words the driver expects after the mode, always these.
    std::uint32_t fixed[4];
};

constexpr std::uint32_t allocateFixed[4] = {512, 0, 1, 4};

static_assert(sizeof(AllocateRecord) == Board::requestSize(Allocate));
static_assert(Board::requestSize(Timeslot) == 0);

}  // namespace Mcc
