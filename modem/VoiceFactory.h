// The factory of voice player and recorder slots (create alternative `voice`).
// One per process, created by the daemon at start-up in its factory order.
#pragma once

class VoiceFactory {
public:
    static VoiceFactory& instance();
    VoiceFactory(const VoiceFactory&) = delete;
    VoiceFactory& operator=(const VoiceFactory&) = delete;

private:
    VoiceFactory() = default;
};
