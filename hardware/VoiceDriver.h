// Requests of the voice driver ("/dev/voice") as the board's kernel defines
// them, shared by the daemon and the simulated board.
#pragma once

#include "hardware/BoardDevices.h"

#include <cstdint>

namespace Voice {

// The driver's version, five words whose meaning is the driver's own.
struct DriverVersionRecord {
    std::uint32_t words[5];
};

constexpr unsigned long DriverVersion = 0x4014560A;  // DriverVersionRecord, read

static_assert(sizeof(DriverVersionRecord) == Board::requestSize(DriverVersion));

}  // namespace Voice
