// A channel resource that the controller addresses by slot number: the base
// of every slot kind. A slot kind overrides the I-hooks; the base keeps the
// links between one transmitting slot and its receivers, decides which side
// of a connection makes the hardware path (the higher connection priority,
// by default the TDM switch), announces the slot's streams, and relays what
// happens on the slot to the controller as signals.
#pragma once

#include "control/CtrlSrvService.h"
#include "hardware/DSProcReceiver.h"
#include "hardware/RtpDriver.h"
#include "hardware/TonecReceiver.h"
#include "schema/ACP.h"
#include "schema/LGCP.h"
#include "schema/TERM.h"
#include "schema/VARNGW.h"

#include <ostream>
#include <string>
#include <vector>

class SlotFactory;

class Slot {
public:
    Slot() = default;
    // Unlinks nothing: Slots unlinks a slot before deleting it.
    virtual ~Slot() = default;
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    // The trunk and timeslot the slot occupies; -1 for none.
    virtual int GetTrunk() { return -1; }
    virtual int GetTrunkTimeSlot() { return -1; }
    // A trunk's alarm state, from the kind's own factory.
    virtual void OnTrunkStatus(unsigned, const ACP::TrunkState::NamedNumber&) {}
    // Once, after the create command has been answered.
    virtual void IAfterCreate() {}
    // Releases what the slot holds. False: the release goes on, and the slot
    // calls on_release() when it is done.
    virtual bool IBeforeDestroy() { return true; }
    // The slot commands; false means the kind does not take them.
    virtual bool IActivate(const TERM::TermActivateParams&) { return false; }
    virtual bool IDeactivate() { return false; }
    virtual bool IUserData(const std::vector<char>&) { return false; }
    virtual bool Ioctl(const LGCP::IoctlParams&) { return false; }
    // Of a transmitter and a receiver, the side with the higher priority
    // makes and undoes the hardware path.
    virtual int GetConnectionPriority() { return 0; }
    virtual bool IHwConnectTransmitter(Slot& receiver);
    virtual bool IHwConnectReceiver(Slot& transmitter);
    virtual bool IHwDisconnectTransmitter(Slot& receiver);
    virtual bool IHwDisconnectReceiver(Slot& transmitter);
    // Prepare the output before the first receiver, the input before a
    // source; false when the kind has none.
    virtual bool IOnOutputStream() { return false; }
    virtual bool IOnInputStream() { return false; }
    // The last receiver has gone; the source has gone.
    virtual void IOnOutputRelease() {}
    virtual void IOnInputRelease() {}
    // The TDM switch channels the slot transmits and receives on; -1 for none.
    virtual int IGetTransmitChannel() { return -1; }
    virtual int IGetReceiveChannel() { return -1; }
    virtual const char* GetName() const = 0;

    // The controller's number; all ones until Slots records the slot.
    unsigned GetId() const { return number; }
    SlotFactory* GetSlotFactory() const { return factory; }
    bool GetInputStream() const { return inputStream; }
    bool is_releasing() const { return releasing; }
    Slot* GetSource() const { return source; }
    // Sorted by address, no duplicates.
    const std::vector<Slot*>& GetReceivers() const { return receivers; }
    int GetTransmitChannel() { return IGetTransmitChannel(); }
    int GetReceiveChannel() { return IGetReceiveChannel(); }

    // To the controller, addressed to this slot's number.
    void SendSignal(const LGCP::Signal& signal);
    // Announces the receive or transmit state when it changes; going
    // inactive first undoes the slot's connections on that side.
    void OnChangeInputStream(bool active);
    void OnChangeOutputStream(bool active);
    // One signal each, carrying the value given.
    void OnTonecEvent(const LGCP::TonecEvent& event);
    void OnNumber(const std::string& number);
    void OnModem(const TERM::ModemProceeding& proceeding);
    void OnModem(const TERM::ModemInformation& information);
    void OnActivated();
    // Always with the cause networkError.
    void OnDeactivated();
    void OnAbort(int cause);
    void OnUserData(const std::vector<char>& octets);
    void OnIoctlResponse(const LGCP::IoctlResponse& response);
    void OnRtpRadioEvent(const TERM::RtpRadioRequest& request);
    void OnVADEvent(const LGCP::VADEvent& event);
    void OnProtoVarnEvent(const VARNGW::ProtoVarnPackets& packets);
    void OnSDEvent(const LGCP::SDEvent& event);
    void OnRtpEvent(const LGCP::RtpEvent& event);

    // The detector drivers' raw events as the controller's event records.
    // An event that means nothing is dropped, with a line on std::cerr for
    // the tone, VAD and SD receivers' ones.
    void processTonecEvent(const Hardware::TonecReceiver::Params& params);
    // The tone generator has played what it was asked to.
    void processToneGenEvent();
    void processVADEvent(const Hardware::DSProcVADEvent& event);
    void processSDEvent(const Hardware::DSProcSDEvent& event);
    void processToneFltEvent(const dsproc_tone_event* event);
    // The VAD bits (29 receive, 30 transmit) as a vad signal, then bit 31 as
    // a selcal signal; only the bits set in the mask are reported.
    void processFlagsEvent(const dsproc_flags_event* event);
    void processBSSEvent(const dsproc_bss_event* event);
    // Only the packet-detect event is reported.
    void processRtpEvent(const rtp_event& event);

    void LogicalConnect(Slot& transmitter);
    void LogicalDisconnect();
    // IBeforeDestroy, then out of the factory's list when it is done.
    bool BeforeDestroy();
    // A slot kind whose IBeforeDestroy returned false calls this when its
    // release has finished; the slot is deleted, so its caller must not
    // touch it afterwards.
    void on_release();

    // "07:trunk", "na:trunk" before the slot is recorded, "i2000:trunk".
    void Put(std::ostream& os) const;

private:
    friend class Slots;
    friend class SlotFactory;

    unsigned number = unsigned(-1);
    std::vector<Slot*> receivers;
    Slot* source = nullptr;
    SlotFactory* factory = nullptr;
    bool inputStream = false;
    bool outputStream = false;
    bool releasing = false;
    // The destroy command's answer is owed, with this token (Slots).
    bool answerOwed = false;
    CtrlSrv::SeqToken delayedSeq = 0;
};

std::ostream& operator<<(std::ostream& os, const Slot& slot);

// Links the receiver to the transmitter, moving it from any other one.
bool Connect(Slot& transmitter, Slot& receiver);
// Unlinks the receiver from its source.
bool Disconnect(Slot& receiver);
// The hardware step, made by the side with the higher priority (the
// receiver on a tie when connecting, the transmitter when disconnecting).
bool llConnect(Slot& transmitter, Slot& receiver);
bool llDisconnect(Slot& receiver);
// The default hardware step: the TDM switch.
bool MuxConnect(Slot& transmitter, Slot& receiver);
bool MuxDisconnect(Slot& receiver);
