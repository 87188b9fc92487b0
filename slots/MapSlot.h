// A channel of the shared bus between boards as a slot, in one or both
// directions: it transmits from, and receives onto, shared-bus channels
// 8192 + 128 x bus + channel. Each shared-bus channel has at most one map
// slot, which MapFactory keeps track of. Announces its receiver before its
// transmitter.
#pragma once

#include "slots/Slot.h"

class MapFactory;

class MapSlot : public Slot {
public:
    // Switch channels, -1 for a side the slot does not have.
    MapSlot(int transmit, int receive) : transmitChannel(transmit), receiveChannel(receive) {}

    void IAfterCreate() override;
    // Gives its shared-bus channels back and switches its bus output off.
    bool IBeforeDestroy() override;
    bool IOnOutputStream() override { return IsTxExists(); }
    bool IOnInputStream() override { return IsRxExists(); }
    int IGetTransmitChannel() override { return transmitChannel; }
    int IGetReceiveChannel() override { return receiveChannel; }
    const char* GetName() const override { return "map"; }

    bool IsTxExists() const { return transmitChannel >= 0; }
    bool IsRxExists() const { return receiveChannel >= 0; }
    // The shared-bus index 0..2047 of each side.
    int GetTxLogChannel() const { return transmitChannel - 8192; }
    int GetRxLogChannel() const { return receiveChannel - 8192; }
    MapFactory* GetSlotFactory() const;

private:
    const int transmitChannel;
    const int receiveChannel;
};
