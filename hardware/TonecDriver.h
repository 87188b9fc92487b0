// Requests and records of the tone driver ("/dev/dtmf") as the board's kernel
// defines them, shared by the daemon and the simulated board. Numbers are
// written out in the board's ioctl encoding; records are in the processor's
// byte order and zero-filled before they are built. The requests that carry
// only a timeslot take it as the argument itself.
#pragma once

#include "hardware/BoardDevices.h"

#include <cstdint>

namespace Tonec {

constexpr unsigned long ConfigureDetector = 0x40144202;  // ConfigureRecord
constexpr unsigned long EnableDetector = 0x40084203;     // EnableRecord
constexpr unsigned long DisableDetector = 0x40044204;    // timeslot
constexpr unsigned long Dial = 0x400c4205;               // DialRecord
constexpr unsigned long LmsOn = 0x40044206;              // timeslot
constexpr unsigned long LmsOff = 0x40044207;             // timeslot
constexpr unsigned long RejectionEnable = 0x40044209;    // timeslot
constexpr unsigned long RejectionDisable = 0x4004420a;   // timeslot
constexpr unsigned long IvaEnable = 0x4004420b;          // timeslot
constexpr unsigned long IvaDisable = 0x4004420c;         // timeslot
constexpr unsigned long IvaConfigure = 0x4008420d;       // IvaRecord
constexpr unsigned long SelcalDial = 0x400c420e;         // SelcalRecord

struct ConfigureRecord {
    std::uint32_t timeslot;
    std::uint32_t twist;
    std::uint32_t ratio;
    std::uint32_t silence;
    std::uint32_t noise;
};

struct EnableRecord {
    std::uint32_t timeslot;
    std::uint32_t id;
};

// Frequencies in Hz; all four zero switch the generator off.
struct DialRecord {
    std::uint32_t timeslot;
    std::uint16_t freq1;
    std::uint16_t freq2;
    std::uint16_t amp1;
    std::uint16_t amp2;
};

struct IvaRecord {
    std::uint32_t timeslot;
    std::int32_t det_lvl_dB;
};

struct SelcalRecord {
    std::uint32_t timeslot;
    std::uint16_t amplitude;
    char signs[4];
    char zero[2];
};

// One detection, as each read of the descriptor returns it; id is the one
// the detector of the timeslot was enabled under.
struct EventRecord {
    std::int32_t code;
    std::uint32_t timeslot;
    std::uint32_t timestamp;
    std::uint32_t id;
};

static_assert(sizeof(ConfigureRecord) == Board::requestSize(ConfigureDetector));
static_assert(sizeof(EnableRecord) == Board::requestSize(EnableDetector));
static_assert(sizeof(DialRecord) == Board::requestSize(Dial));
static_assert(sizeof(IvaRecord) == Board::requestSize(IvaConfigure));
static_assert(sizeof(SelcalRecord) == Board::requestSize(SelcalDial));
static_assert(sizeof(EventRecord) == 16);

}  // namespace Tonec
