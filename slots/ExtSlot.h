// A pair of switch channels that the controller numbers itself (8192 + its
// number) as a slot: it transmits from creation on, but receives only while
// activated, and its receive channel is switched off otherwise.
#pragma once

#include "slots/Slot.h"

class ExtSlot : public Slot {
public:
    ExtSlot(int transmit, int receive) : transmitChannel(transmit), receiveChannel(receive) {}

    void IAfterCreate() override { OnChangeOutputStream(true); }
    bool IBeforeDestroy() override;
    // Announces the receiver and drives the receive channel with the idle
    // octet; a slot already active keeps its path as it is.
    bool IActivate(const TERM::TermActivateParams& params) override;
    // Unlinks the source, announces the receiver inactive, switches it off.
    bool IDeactivate() override;
    bool IOnOutputStream() override { return true; }
    bool IOnInputStream() override { return GetInputStream(); }
    int IGetTransmitChannel() override { return transmitChannel; }
    int IGetReceiveChannel() override { return receiveChannel; }
    const char* GetName() const override { return "bri"; }

private:
    const int transmitChannel;
    const int receiveChannel;
};
