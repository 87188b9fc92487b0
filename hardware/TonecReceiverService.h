// The tone driver ("/dev/dtmf") as the daemon's one client of it: sends the
// receivers' requests, each naming the receiver's timeslot, and hands every
// detection to the receiver on its timeslot that switched its detector (DTMF
// or IVA) on when it carries the id of the timeslot's latest DTMF enable.
// Opened at the first receiver operation; a device that failed to open or
// went away is opened again by the next request (a configure call answers
// false without it, the other requests fail on it with their lines).
#pragma once

#include "hardware/RequestIds.h"
#include "runtime/Event.h"
#include "schema/LGCP.h"
#include "schema/TERM.h"

#include <functional>

namespace Hardware {

class TonecReceiver;

class TonecReceiverService {
public:
    static TonecReceiverService& instance();
    TonecReceiverService(const TonecReceiverService&) = delete;
    TonecReceiverService& operator=(const TonecReceiverService&) = delete;

    // Opens the device unless it is open; false when it cannot be opened.
    bool init();

    bool configureDTMF(unsigned ts, const LGCP::DTMFParams& params);
    bool configureIVA(TonecReceiver& receiver, const LGCP::IVAParams& params);
    bool enableDTMF(TonecReceiver& receiver, bool on);
    bool echoCancel(unsigned ts, bool on);
    bool enableDTMFReject(TonecReceiver& receiver, bool on);
    bool enableIVA(TonecReceiver& receiver, bool on);
    bool enableToneGenerator(unsigned ts, unsigned short freq1, unsigned short freq2,
                             unsigned short amp1, unsigned short amp2);
    void translateSelcal(TonecReceiver& receiver, const TERM::SelcalCommand& command);

    // Whether uses() holds for another receiver on the receiver's timeslot.
    using Uses = std::function<bool(const TonecReceiver&)>;
    bool SharedBy(const TonecReceiver& receiver, const Uses& uses) const;

    void OnEvent(int fd, short revents);

private:
    TonecReceiverService();

    // A driver request, the device opened first when it is closed (a hang-up
    // released it); -1 with errno when it fails, EBADF while there is no device.
    int Request(unsigned long request, void* record);
    int RequestValue(unsigned long request, unsigned long value);
    // A request that carries only the timeslot, logged with its word and suffix.
    bool Switch(unsigned long request, unsigned ts, const char* word, const char* suffix);
    // Rejection or IVA: the switch and the receiver's flag of it.
    bool SwitchDetector(TonecReceiver& receiver, bool TonecReceiver::*flag, unsigned long enable,
                        unsigned long disable, const char* word, bool on);
    void Dispatch(const void* record);

    Event event;
    RequestIds ids;
};

}  // namespace Hardware
