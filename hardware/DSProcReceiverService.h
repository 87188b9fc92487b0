// The voice-processing driver ("/dev/dsp") as the daemon's one client of it:
// sends the receivers' requests, each naming the receiver's timeslot, and
// hands every event to the receiver on its timeslot whose feature made it
// (VAD and the flags to VAD, SD, BSS, a tone filter to the frequency's), when
// that feature is on and, for VAD and SD, the event carries the id of the
// feature's latest enable. Opened at the first receiver operation; a
// device that failed to open or went away is opened again by the next
// request (a configure call gives up without it, the switches fail on it
// with their lines). Event traces are written under the "signalling.events"
// trace switch.
#pragma once

#include "hardware/DSProcReceiver.h"
#include "hardware/RequestIds.h"
#include "runtime/Event.h"
#include "schema/LGCP.h"

#include <cstdint>
#include <functional>

namespace Hardware {

class DSProcReceiverService {
public:
    static DSProcReceiverService& instance();
    DSProcReceiverService(const DSProcReceiverService&) = delete;
    DSProcReceiverService& operator=(const DSProcReceiverService&) = delete;

    // Opens the device unless it is open; false when it cannot be opened.
    // Every request calls it first.
    bool init();

    // Driver version 2 takes the controller's v2 parameters (and refuses
    // any other); every other version takes fixed ones.
    bool configureVAD(unsigned ts, const LGCP::VADParams& params);
    bool configureSD(unsigned ts);
    void configureDelays(unsigned ts, unsigned rx, unsigned tx, unsigned selcal);
    void configureRxGain(unsigned ts, std::int8_t gain_dB);
    void configureToneFilter(unsigned ts, unsigned freq, unsigned enable, int duration_th_msec,
                             int det_level_dB);
    void disableToneAll(DSProcReceiver& receiver);

    bool enableVAD(DSProcReceiver& receiver, bool on);
    bool enableBSS(DSProcReceiver& receiver, bool on);
    bool enableNG(DSProcReceiver& receiver, bool on);
    bool enableSD(DSProcReceiver& receiver, bool on);
    bool enableMute(DSProcReceiver& receiver, bool first, bool second);

    // Another receiver on the receiver's timeslot for which uses() holds, or null.
    using Uses = std::function<bool(const DSProcReceiver&)>;
    const DSProcReceiver* SharedBy(const DSProcReceiver& receiver, const Uses& uses) const;

    void OnEvent(int fd, short revents);

private:
    DSProcReceiverService();

    // Request 1; false with the failure line.
    bool Configure(std::uint32_t ts, std::uint32_t kind, void* params, const char* failure);
    // Request 2 or 3, the device opened first when it is closed.
    bool Send(unsigned long request, std::uint32_t ts, std::uint32_t id, std::uint32_t mask);
    bool Switch(DSProcReceiver& receiver, DSProcReceiver::Feature DSProcReceiver::*feature,
                std::uint32_t mask, const char* name, bool on);
    bool Enable(unsigned ts, std::uint32_t mask, const char* name, std::uint32_t& id);
    bool Disable(unsigned ts, std::uint32_t mask, const char* name);
    static DSProcReceiver* Owner(const Dsproc::EventRecord& e);
    void Dispatch(const void* record);

    Event event;
    RequestIds ids;
};

}  // namespace Hardware
