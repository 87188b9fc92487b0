// The factory of RTP session slots (create alternatives `rtp` and `rtpOnMixer`).
// One per process, created by the daemon at start-up in its factory order.
#pragma once

class RtpFactory {
public:
    static RtpFactory& instance();
    RtpFactory(const RtpFactory&) = delete;
    RtpFactory& operator=(const RtpFactory&) = delete;

private:
    RtpFactory() = default;
};
