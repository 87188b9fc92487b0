// The request ids a receiver service hands out with each enable, so that an
// event the driver sends under an older enable can be told apart and
// dropped. 0 never names a request: it is what a receiver holds before its
// first enable, and what the driver reports for detectors enabled without id.
#pragma once

#include <cstdint>

namespace Hardware {

class RequestIds {
public:
    explicit RequestIds(std::uint32_t last = 0) : last(last) {}

    // 1, 2, ... 0xFFFFFFFF, then 1 again.
    std::uint32_t Next() {
        if (++last == 0) last = 1;
        return last;
    }

private:
    std::uint32_t last;
};

}  // namespace Hardware
