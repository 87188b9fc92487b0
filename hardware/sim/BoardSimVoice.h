// The simulated voice driver ("/dev/voice"): it answers the driver-version
// request with five fixed words; it has no control lines.
#pragma once

#include "hardware/sim/BoardSimDevice.h"

#include <cstdint>

namespace Board {

class SimVoice : public SimDevice {
public:
    static constexpr std::uint32_t version[5] = {2, 1, 1, 0, 1};

    SimVoice();

    int OnIoctl(SimOpen& open, unsigned long request, void* record) override;
    void Reset() override {}
};

}  // namespace Board
