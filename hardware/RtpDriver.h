// Records of the RTP driver ("/dev/rtp") as the board's kernel defines them:
// the event record a slot reads from its RTP channel. 32-bit words in the
// processor's byte order.
#pragma once

#include <cstdint>

struct rtp_event {
    std::uint32_t type;  // rtpPacketDetect, or another the daemon ignores
    std::uint32_t value;
    std::uint32_t timeout;
};

constexpr std::uint32_t rtpPacketDetect = 1;
