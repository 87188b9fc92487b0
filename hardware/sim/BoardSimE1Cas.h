// The simulated CAS driver ("/dev/e1-cas"): channel-associated signalling on
// the four E1 trunks, 32 channels each, every channel's bits 0 and disabled
// at power-on. A change of a channel's received bits is delivered to every
// open descriptor as one cas_channel record. The newest requests it takes
// are recorded.
//
// Control lines (after "/dev/e1-cas"):
//   channel T TS     -> "rx 0xN tx 0xN enabled" (or "disabled")
//   change T TS RX   -> "ok": the channel receives RX, and the change is delivered
#pragma once

#include "hardware/sim/BoardSimEventDevice.h"
#include "hardware/E1Driver.h"

#include <cstdint>
#include <vector>

namespace Board {

class SimE1Cas : public SimEventDevice {
public:
    static constexpr int timeslotCount = 32;

    SimE1Cas();

    int OnIoctl(SimOpen& open, unsigned long request, void* record) override;
    int OnIoctlValue(SimOpen& open, unsigned long request, unsigned long value) override;
    std::string OnCommand(const std::vector<std::string>& words) override;
    void Reset() override;

private:
    struct Channel {
        std::uint8_t rx = 0;
        std::uint8_t tx = 0;
        bool enabled = false;
    };

    // The channel a record names, null when there is none.
    Channel* Find(std::int32_t path, std::int32_t timeslot);
    // The channel a line's first two arguments name, null when there is none.
    Channel* ChannelOf(const SimArgs& args, std::int32_t& trunk, std::int32_t& timeslot);
    SimReply CmdChannel(const SimArgs& args);
    SimReply CmdChange(const SimArgs& args);

    bool trunkOpen[E1Driver::trunkCount] = {};
    Channel channels[E1Driver::trunkCount][timeslotCount];
};

}  // namespace Board
