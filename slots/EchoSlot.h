// A channel of an echo bus (32 switch channels per bus, 32 x bus + channel)
// as a slot that both transmits and receives on it.
#pragma once

#include "slots/Slot.h"

class EchoSlot : public Slot {
public:
    explicit EchoSlot(int channel) : channel(channel) {}

    // Announces the transmit and then the receive stream.
    void IAfterCreate() override;
    bool IOnOutputStream() override { return true; }
    bool IOnInputStream() override { return true; }
    int IGetTransmitChannel() override { return channel; }
    int IGetReceiveChannel() override { return channel; }
    const char* GetName() const override { return "echo"; }

private:
    const int channel;
};
