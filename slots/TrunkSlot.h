// One timeslot of an E1 trunk (TrunkSlot) or one channel of an ISDN BRI line
// (TrunkBRISlot) as a slot: a fixed TDM switch channel that both transmits
// and receives, connected through the switch like any slot of default
// priority. Signalling slots ask it for its trunk and timeslot.
#pragma once

#include "slots/Slot.h"

class TrunkFactory;

class TrunkSlot : public Slot {
public:
    explicit TrunkSlot(int channel) : channel(channel) {}

    int GetTrunk() override { return channel >> 5; }
    int GetTrunkTimeSlot() override { return GetTimeSlot(); }
    // Announces the transmit and then the receive stream.
    void IAfterCreate() override;
    // Frees the timeslot in the factory.
    bool IBeforeDestroy() override;
    bool IOnOutputStream() override { return true; }
    bool IOnInputStream() override { return true; }
    int IGetTransmitChannel() override { return channel; }
    int IGetReceiveChannel() override { return channel; }
    const char* GetName() const override { return "trunk"; }

    virtual int GetTimeSlot() { return channel & 31; }
    TrunkFactory* GetSlotFactory() const;

protected:
    const int channel;
};

class TrunkBRISlot : public TrunkSlot {
public:
    explicit TrunkBRISlot(int channel) : TrunkSlot(channel) {}

    int GetTimeSlot() override { return channel & 3; }
    int GetTrunk() override { return channel >> 2; }
    const char* GetName() const override { return "trunkBRI"; }
};
