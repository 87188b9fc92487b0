// The factory of RTP slots with ED-137 radio signalling.
// One per process, created by the daemon at start-up in its factory order.
#pragma once

class RtpED137Factory {
public:
    static RtpED137Factory& instance();
    RtpED137Factory(const RtpED137Factory&) = delete;
    RtpED137Factory& operator=(const RtpED137Factory&) = delete;

private:
    RtpED137Factory() = default;
};
