// Requests of the E1 drivers as the board's kernel defines them, shared by the
// daemon and the simulated board: trunk status and the TCLK slave mask on the
// maintenance device with its clock-source selector, channel-associated
// signalling on the CAS device.
// Numbers are written out in the board's ioctl encoding; records are 32-bit
// words in the processor's byte order.
#pragma once

#include "hardware/BoardDevices.h"

#include <cstdint>

namespace E1Driver {

// "/dev/maintenance".
constexpr unsigned long StatusRead = 0xc0504d03;    // TrunkStatusRecord, trunk in, counters out
constexpr unsigned long SetTclk = 0xc0044d0b;       // the slave mask, by value
constexpr unsigned long SelectSource = 0xc0044d0a;  // the clock source number, by value

// "/dev/e1-cas". A read of the device yields one cas_channel per change of a
// channel's received bits.
constexpr unsigned long OpenTrunk = 0x80044300;      // the trunk, by value
constexpr unsigned long CloseTrunk = 0x80044301;     // the trunk, by value
constexpr unsigned long SetChannel = 0xc00c4302;     // cas_channel: tx written
constexpr unsigned long GetChannel = 0xc00c4303;     // cas_channel: rx and tx read
constexpr unsigned long EnableChannel = 0xc0104304;  // CasEnableRecord

constexpr int trunkCount = 4;

// The driver's status of one trunk; the reserved words are neither set nor read.
struct TrunkStatusRecord {
    std::int32_t trunk;
    std::int32_t reserved1[8];
    std::int32_t slips;
    std::int32_t lossBF;
    std::int32_t lossCarrier;
    std::int32_t ais;
    std::int32_t rai;
    std::int32_t reserved2[5];
    std::int32_t state;
};

struct cas_channel {
    std::int32_t path;
    std::int32_t timeslot;
    // ABCD bits in the low four bits.
    std::uint8_t rx;
    std::uint8_t tx;
    std::uint8_t padding[2];
};

struct CasEnableRecord {
    cas_channel channel;
    // 0 enables the channel with the channel's tx bits, 1 disables it.
    std::int32_t disable;
};

static_assert(sizeof(TrunkStatusRecord) == Board::requestSize(StatusRead));
static_assert(sizeof(cas_channel) == Board::requestSize(SetChannel));
static_assert(sizeof(cas_channel) == Board::requestSize(GetChannel));
static_assert(sizeof(CasEnableRecord) == Board::requestSize(EnableChannel));

}  // namespace E1Driver
