// A TDM timeslot's share of the voice-processing driver: voice activity
// detection, the signal detector, BSS scoring, the noise gate, muting, the
// delays, the receive gain and the tone filters. A slot kind inherits it
// privately, answers dsproc_timeslot() and hears the driver's events through
// the callbacks; it calls CleanBeforeDestroy() before it goes. What it asked
// for is kept by the service, beside what the other receivers on its
// timeslot asked for.
#pragma once

#include "hardware/CyclicList.h"
#include "hardware/DsprocDriver.h"
#include "schema/LGCP.h"

#include <cstdint>

namespace Hardware {

class DSProcReceiverService;

// -1 in a direction means the driver did not report it.
struct DSProcVADEvent {
    std::int32_t rx = 0;
    std::int32_t tx = 0;
};

struct DSProcSDEvent {
    std::int32_t rx = 0;
};

class DSProcReceiver {
public:
    // Joins the service's receivers.
    DSProcReceiver();
    // Leaves them, and the record of its timeslot.
    virtual ~DSProcReceiver();
    DSProcReceiver(const DSProcReceiver&) = delete;
    DSProcReceiver& operator=(const DSProcReceiver&) = delete;

    // The events of this receiver's timeslot that its own features made.
    // The payload pointers point into the record just read and are valid
    // during the call only. The driver's payload types share their names
    // with the callbacks: overriders name them with "::".
    virtual void dsproc_vad_event(const DSProcVADEvent& event) = 0;
    virtual void dsproc_bss_event(const ::dsproc_bss_event* event) = 0;
    virtual void dsproc_sd_event(const DSProcSDEvent& event) = 0;
    virtual void dsproc_tone_flt_event(const ::dsproc_tone_event* event) = 0;
    virtual void dsproc_flags_event(const ::dsproc_flags_event* event) = 0;
    // Asked before every request and while events are dispatched: it must
    // not change while the receiver exists.
    virtual unsigned dsproc_timeslot() const = 0;

    // Results are true on success. A switch that finds its feature in the
    // requested state sends nothing and succeeds, a switch-on once the device
    // is open (the driver keeps the feature while it is closed); an unset
    // feature (VAD, SD and mute start so) always goes to the driver. What the
    // driver does with a request while another receiver shares the timeslot
    // is the service's to decide.
    bool configureVAD(const LGCP::VADParams& params);
    bool enableVAD(bool on);
    bool disableVAD() { return enableVAD(false); }
    bool enableBSS(bool on);
    bool disableBSS() { return enableBSS(false); }
    bool enableNG(bool on);
    bool disableNG() { return enableNG(false); }
    bool configureSD();
    bool enableSD(bool on);
    bool disableSD() { return enableSD(false); }
    // What CleanBeforeDestroy leaves to the owner: the signal detector off
    // when this receiver turned it on.
    void releaseSD();
    // Mutes the first and second direction; a direction switched off is
    // disabled in the driver.
    bool enableMute(bool first, bool second);
    bool disableMute() { return enableMute(false, false); }
    // All zero undoes the delays, a gain of 0 the gain, a filter's enable of
    // 0 the filter.
    void configureDelays(unsigned rx, unsigned tx, unsigned selcal);
    void configureRxGain(std::int8_t gain_dB);
    void configureToneFilter(unsigned freq, unsigned enable, int duration_th_msec,
                             int det_level_dB);
    // Disables every tone filter of this receiver.
    void disableToneAll();

    // Switches off what this receiver turned on (VAD, BSS, NG, mute, delays,
    // gain) and its tone filters. SD is left as it is.
    void CleanBeforeDestroy();

private:
    friend class DSProcReceiverService;

    Containers::CyclicList link;
};

}  // namespace Hardware
