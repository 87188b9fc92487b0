// Requests of the HAL driver ("/dev/hal") as the board's kernel defines them,
// shared by the daemon and the simulated board: the TDM switch, the bus clock
// selector and the registers of the SPI-attached BRI line devices. Numbers are
// written out in the board's ioctl encoding (the host's _IOW macros encode
// differently); records are 32-bit words in the processor's byte order.
#pragma once

#include "hardware/BoardDevices.h"

#include <cstdint>

namespace Hal {

// TDM switch.
constexpr unsigned long MuxConnect = 0x80084d02;  // MuxConnectRecord, written
constexpr unsigned long MuxDisable = 0x80044d03;  // MuxChannelRecord, written
constexpr unsigned long MuxWrite = 0xc0084d04;    // MuxOctetRecord: drive with the octet
constexpr unsigned long MuxRead = 0xc0084d05;     // MuxOctetRecord: octet 0xFF in, carried out

struct MuxConnectRecord {
    std::int32_t receive;
    std::int32_t transmit;
};

struct MuxChannelRecord {
    std::int32_t channel;
};

struct MuxOctetRecord {
    std::int32_t channel;
    // The octet in the low 8 bits.
    std::uint32_t octet;
};

// Bus clock: the argument points to the 32-bit clock source code.
constexpr unsigned long HW_CLOCK_SELECT = 0x80044301;

// Line-device registers. A read answers the register's value in the low
// byte of the request's result, not in the record.
constexpr unsigned long SpiWrite = 0xc0034204;  // SpiRecord
constexpr unsigned long SpiRead = 0xc0034203;   // SpiRecord, data 0xFF

struct SpiRecord {
    std::uint8_t channel;
    std::uint8_t address;
    std::uint8_t data;
};

static_assert(sizeof(MuxConnectRecord) == Board::requestSize(MuxConnect));
static_assert(sizeof(MuxChannelRecord) == Board::requestSize(MuxDisable));
static_assert(sizeof(MuxOctetRecord) == Board::requestSize(MuxWrite));
static_assert(sizeof(MuxOctetRecord) == Board::requestSize(MuxRead));
static_assert(sizeof(std::int32_t) == Board::requestSize(HW_CLOCK_SELECT));
static_assert(sizeof(SpiRecord) == Board::requestSize(SpiWrite));
static_assert(sizeof(SpiRecord) == Board::requestSize(SpiRead));

}  // namespace Hal
