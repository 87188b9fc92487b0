// The factory of RTP slots with Varn radio signalling in the header extension.
// One per process, created by the daemon at start-up in its factory order.
#pragma once

class RtpVARNFactory {
public:
    static RtpVARNFactory& instance();
    RtpVARNFactory(const RtpVARNFactory&) = delete;
    RtpVARNFactory& operator=(const RtpVARNFactory&) = delete;

private:
    RtpVARNFactory() = default;
};
