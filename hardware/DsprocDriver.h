// Requests and records of the voice-processing driver ("/dev/dsp") as the
// board's kernel defines them, shared by the daemon and the simulated board.
// Numbers are written out in the board's ioctl encoding; records are in the
// processor's byte order and zero-filled before they are built.
#pragma once

#include "hardware/BoardDevices.h"

#include <cstdint>

// The payloads of three event types, handed to the receivers by pointer into
// the record just read (valid during the call only).
struct dsproc_bss_event {
    float score;
};
struct dsproc_tone_event {
    std::uint32_t freq;
    std::uint32_t presence;
};
struct dsproc_flags_event {
    std::uint32_t flags;
    std::uint32_t mask;
};

namespace Dsproc {

constexpr unsigned long Configure = 0x40146401;  // ConfigureRecord
constexpr unsigned long Enable = 0x400c6402;     // SwitchRecord
constexpr unsigned long Disable = 0x400c6403;    // SwitchRecord, id 0
constexpr unsigned long Version = 0x40046404;    // argument 0; the version is the result

// Configure kinds.
constexpr std::uint32_t KindVAD = 1;
constexpr std::uint32_t KindSD = 2;
constexpr std::uint32_t KindDelays = 32;
constexpr std::uint32_t KindRxGain = 64;
constexpr std::uint32_t KindToneFilter = 256;

// Feature masks of the enable and disable requests.
constexpr std::uint32_t MaskVAD = 1;
constexpr std::uint32_t MaskSD = 2;
constexpr std::uint32_t MaskMuteFirst = 4;
constexpr std::uint32_t MaskMuteSecond = 8;
constexpr std::uint32_t MaskBSS = 16;
constexpr std::uint32_t MaskNG = 128;
constexpr std::uint32_t MaskToneAll = 256;

// Event types.
constexpr std::uint32_t TypeVAD = 1;
constexpr std::uint32_t TypeSD = 2;
constexpr std::uint32_t TypeBSS = 0x10;
constexpr std::uint32_t TypeToneFilter = 0x100;
constexpr std::uint32_t TypeFlags = 0x200;

struct VadV2Params {
    std::uint16_t voice_ms;
    std::uint16_t silence_ms;
    std::uint8_t energy_dB;
};
struct DelayParams {
    std::uint32_t rx;
    std::uint32_t tx;
    std::uint32_t selcal;
};
struct ToneFilterParams {
    std::uint16_t freq;
    std::uint8_t enable;
    std::uint8_t unused;
    std::uint16_t duration_ms;
    std::uint8_t level_dB;
};

struct ConfigureRecord {
    std::uint32_t timeslot;
    std::uint32_t kind;
    // Any version but 2 takes three words for VAD; the receive gain is one byte.
    union {
        std::uint32_t words[3];
        VadV2Params vad;
        DelayParams delays;
        std::uint8_t gain_dB;
        ToneFilterParams toneFilter;
    } params;
};

struct SwitchRecord {
    std::uint32_t timeslot;
    std::uint32_t id;
    std::uint32_t mask;
};

// A VAD payload is a direction mask (bit 0 rx reported, bit 1 tx) and the
// two values; SD's first word is its receive value.
struct EventRecord {
    std::uint32_t timeslot;
    std::uint32_t id;
    std::uint32_t type;
    union {
        std::int32_t words[3];
        dsproc_bss_event bss;
        dsproc_tone_event tone;
        dsproc_flags_event flags;
    } payload;
};

static_assert(sizeof(ConfigureRecord) == Board::requestSize(Configure));
static_assert(sizeof(SwitchRecord) == Board::requestSize(Enable));
static_assert(sizeof(SwitchRecord) == Board::requestSize(Disable));
static_assert(sizeof(EventRecord) == 24);

}  // namespace Dsproc
