// A TDM timeslot's share of the tone driver: DTMF and IVA detection, DTMF
// rejection, the echo canceller, the tone generator with DTMF dialling and
// the audible-call cadence on it, and selective calling. A slot kind inherits
// it privately, answers tonec_timeslot() and hears detections through
// tonec_event(); it calls CleanBeforeDestroy() before it goes. It paces its
// own dial and cadence; what it asked of the driver is kept by the service,
// beside what the other receivers on its timeslot asked for.
#pragma once

#include "hardware/CyclicList.h"
#include "runtime/Timer.h"
#include "schema/LGCP.h"
#include "schema/TERM.h"

#include <cstdint>

namespace Hardware {

struct Outcome;
class TonecReceiverService;

class TonecReceiver {
public:
    struct Params {
        std::int32_t code;
        std::uint32_t timestamp;
    };

    // Joins the service's receivers.
    TonecReceiver();
    // Leaves them, and the record of its timeslot.
    virtual ~TonecReceiver();
    TonecReceiver(const TonecReceiver&) = delete;
    TonecReceiver& operator=(const TonecReceiver&) = delete;

    // A detection on this receiver's timeslot by a detector it switched on.
    // The receiver may be destroyed from here, and so may any other.
    virtual void tonec_event(const Params& params) = 0;
    // Asked before every request and while events are dispatched: it must
    // not change while the receiver exists.
    virtual unsigned tonec_timeslot() const = 0;
    // A DTMF dial has played its last pause. A dial that waited for the
    // generator and has no digit left ends inside the request of the receiver
    // that gave it back, so this must not destroy receivers.
    virtual void tone_gen_complete() {}

    // Results are true on success. An enable that finds its detector in the
    // requested state sends nothing, and succeeds once the device is open (the
    // driver keeps the detector while it is closed). What the driver does
    // with a request while another receiver shares the timeslot is the
    // service's to decide.
    bool configureDTMF(const LGCP::DTMFParams& params);
    bool enableDTMF(bool on);
    bool disableDTMF() { return enableDTMF(false); }
    bool echoCancel(bool on);
    bool enableDTMFReject(bool on);
    bool configureIVA(const LGCP::IVAParams& params);
    bool enableIVA(bool on);
    // What this receiver plays on the generator, frequencies in Hz: a step of
    // its dial or cadence while one runs, else a steady tone; all four zero
    // play nothing.
    bool enableToneGenerator(unsigned short freq1, unsigned short freq2, unsigned short amp1,
                             unsigned short amp2);
    // The generator keeps running at amplitude 0, on silenceFreq: a dial's
    // pauses are the same.
    bool enableSilence() { return enableToneGenerator(silenceFreq, silenceFreq, 0, 0); }
    static constexpr unsigned short silenceFreq = 1000;
    // Unforced, only a dial in progress is stopped (false when there is
    // none); forced, whatever this receiver plays stops in any case.
    bool disableToneGenerator(bool force);
    // One steady tone until the generator is switched off; a dial in
    // progress is stopped first.
    bool playTone(unsigned short freq, unsigned short amp);

    // Plays the digits, each for its tone duration then its pause (70 ms
    // each unless given), and calls tone_gen_complete() after the last
    // pause. A dial in progress continues with the new list from its next
    // step on. While another receiver's dial holds the timeslot's generator,
    // the dial waits for it, and plays whole once it is given back. Each
    // step lasts from when the driver takes it, so the far end hears the
    // digits in order or not at all: a step the driver refuses, or misses
    // for want of the device, holds the dial until a retry is taken; one
    // refused as invalid, or not taken within dialHoldMs (the last try made
    // at that bound), cuts the dial short there, with one line: the
    // generator goes back to what the other receiver plays, or off, and
    // tone_gen_complete() is called.
    void translateDTMF(const LGCP::TranslateDtmfParams& params);
    static constexpr unsigned dialHoldMs = 5000;
    // 425 Hz for 1000 ms, silence for 3000 ms, over again. Both requests are
    // ignored during a dial; cancelling stops what the cadence plays.
    void activateAudibleCall();
    void cancelAudibleCall();
    void translateSelcal(const TERM::SelcalCommand& command);
    bool is_inDTMFTransmit() const { return dialing; }

    // Switches off the detectors and the rejection this receiver turned on,
    // and stops what it plays on the generator.
    void CleanBeforeDestroy();

private:
    friend class TonecReceiverService;

    using Step = void (TonecReceiver::*)(Timer*);

    void on_DTMFPauseFinish(Timer*);
    void on_DTMFToneFinish(Timer*);
    void on_waitPauseFinish(Timer*);
    void on_waitToneFinish(Timer*);
    // A step of the dial, which lasts ms once the driver takes it; next
    // plays the one after it.
    void PlayStep(unsigned short freq1, unsigned short freq2, unsigned short amp1,
                  unsigned short amp2, unsigned ms, Step next);
    // What became of the step, at once or at a retry.
    void OnStep(const Outcome& outcome);
    void on_DialCut(Timer*);

    // Paces both the dial and the cadence: arming it replaces the pending step.
    Timer dialTimer;
    bool dialing = false;
    bool audibleCall = false;
    LGCP::TranslateDtmfParams pendingDial;
    // The step the dial waits on: how long it lasts, what follows it, and
    // the error that cut the dial short (0: a step not taken in time).
    unsigned stepMs = 0;
    Step stepNext = nullptr;
    int cutError = 0;
    Containers::CyclicList link;
};

}  // namespace Hardware
