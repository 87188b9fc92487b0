// Requests of the conference mixer driver ("/dev/mixer") as the board's
// kernel defines them, shared by the mixer units and the simulated board, and
// the call that issues them, which tells a device that did not open from the
// driver's refusal. Numbers are written out in the board's ioctl encoding;
// records are 32-bit words in the processor's byte order.
#pragma once

#include "hardware/BoardDevices.h"
#include "hardware/OwedRequests.h"

#include <cstdint>

namespace Mixer {

// A channel of a unit.
struct mix_slot {
    std::int32_t dev_no;  // the unit's id
    std::int32_t type;    // tdmChannel, the only type the daemon sends
    std::int32_t number;  // the channel within the unit
};

// One input of a summator: the channel tx fed into the sum that channel rx sends.
struct mix_input {
    mix_slot rx;
    mix_slot tx;
    std::int32_t gain;
};

// Unit enumeration. id goes in as the id the previous call reported (-1 for
// the first call) and comes back as the next unit's.
struct mix_unit {
    std::int32_t id;
    std::int32_t tdmChannels;
    std::int32_t unused;
    std::int32_t mixerInputs;
};

constexpr std::int32_t tdmChannel = 0;
// The gain of an input whose level the daemon chooses.
constexpr std::int32_t fullGain = 32767;

constexpr unsigned long RxClear = 0x800C4D02;   // mix_slot of the summator: every input off
constexpr unsigned long RxAdd = 0x801C4D03;     // mix_input
constexpr unsigned long RxRemove = 0x801C4D04;  // mix_input; its gain means nothing
constexpr unsigned long Tdm = 0x800C4D06;       // mix_slot: returns the switch timeslot
constexpr unsigned long NextUnit = 0x80104D07;  // mix_unit: below 0 after the last unit

static_assert(sizeof(mix_slot) == Board::requestSize(RxClear));
static_assert(sizeof(mix_input) == Board::requestSize(RxAdd));
static_assert(sizeof(mix_input) == Board::requestSize(RxRemove));
static_assert(sizeof(mix_slot) == Board::requestSize(Tdm));
static_assert(sizeof(mix_unit) == Board::requestSize(NextUnit));

// Opens the device for this one request and closes it again. A device that
// did not open asked the driver nothing; a refusal is the driver's own
// answer, which for the unit enumeration means the list has ended.
[[nodiscard]] Hardware::Outcome Ask(unsigned long request, void* record);
// The driver's result, or -1 when the device does not open; errno is the
// failed call's.
int mixer_ctl(unsigned long request, void* record);

}  // namespace Mixer
