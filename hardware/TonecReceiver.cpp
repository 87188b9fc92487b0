#include "hardware/TonecReceiver.h"

#include "hardware/TonecReceiverService.h"
#include "runtime/Errno.h"

#include <iostream>

namespace Hardware {

namespace {

constexpr unsigned short defaultAmplitude = 16384;
constexpr unsigned defaultDurationMs = 70;

}  // namespace

TonecReceiver::~TonecReceiver() { TonecReceiverService::Forget(*this); }

bool TonecReceiver::configureDTMF(const LGCP::DTMFParams& params) {
    return TonecReceiverService::instance().configureDTMF(*this, params);
}

bool TonecReceiver::enableDTMF(bool on) {
    return TonecReceiverService::instance().enableDTMF(*this, on);
}

bool TonecReceiver::echoCancel(bool on) {
    return TonecReceiverService::instance().echoCancel(tonec_timeslot(), on);
}

bool TonecReceiver::enableDTMFReject(bool on) {
    return TonecReceiverService::instance().enableDTMFReject(*this, on);
}

bool TonecReceiver::configureIVA(const LGCP::IVAParams& params) {
    return TonecReceiverService::instance().configureIVA(*this, params);
}

bool TonecReceiver::enableIVA(bool on) {
    return TonecReceiverService::instance().enableIVA(*this, on);
}

bool TonecReceiver::enableToneGenerator(unsigned short freq1, unsigned short freq2,
                                        unsigned short amp1, unsigned short amp2) {
    return TonecReceiverService::instance().enableToneGenerator(*this, {freq1, freq2, amp1, amp2},
                                                                dialing || audibleCall);
}

// A forced stop also ends the cadence, whose next step would switch the
// generator on again.
bool TonecReceiver::disableToneGenerator(bool force) {
    if (!force && !dialing) return false;
    if (dialing || audibleCall) {
        dialTimer.reset();
        dialing = audibleCall = false;
    }
    return enableToneGenerator(0, 0, 0, 0);
}

// Played as steady even while the cadence runs, whose next step takes over.
bool TonecReceiver::playTone(unsigned short freq, unsigned short amp) {
    disableToneGenerator(false);
    return TonecReceiverService::instance().enableToneGenerator(*this, {freq, 0, amp, 0}, false);
}

void TonecReceiver::translateDTMF(const LGCP::TranslateDtmfParams& params) {
    pendingDial = params;
    if (dialing) return;
    dialing = true;
    audibleCall = false;
    if (TonecReceiverService::instance().BeginDial(*this))
        on_DTMFPauseFinish(&dialTimer);
    else
        dialTimer.reset();
}

// The receiver may be gone once tone_gen_complete() returns.
void TonecReceiver::on_DTMFPauseFinish(Timer*) {
    auto& digits = pendingDial.ref_digits();
    if (digits.empty()) {
        disableToneGenerator(true);
        tone_gen_complete();
        return;
    }
    const LGCP::DualTone tone = digits[0];
    digits.erase(digits.begin());
    // An absent level is never read: its getter would log the absence.
    const LGCP::TranslateDtmfParams& dial = pendingDial;
    const unsigned short amp1 = dial.amp1_isPresent()
                                    ? static_cast<unsigned short>(dial.get_amp1().getValue())
                                    : defaultAmplitude;
    const unsigned short amp2 = dial.amp2_isPresent()
                                    ? static_cast<unsigned short>(dial.get_amp2().getValue())
                                    : defaultAmplitude;
    const unsigned tone_ms = dial.toneDuration_isPresent()
                                 ? unsigned(dial.get_toneDuration().getValue())
                                 : defaultDurationMs;
    PlayStep(static_cast<unsigned short>(tone.get_freq1().getValue()),
             static_cast<unsigned short>(tone.get_freq2().getValue()), amp1, amp2, tone_ms,
             &TonecReceiver::on_DTMFToneFinish);
}

void TonecReceiver::on_DTMFToneFinish(Timer*) {
    const unsigned pause_ms = pendingDial.pauseDuration_isPresent()
                                  ? unsigned(pendingDial.get_pauseDuration().getValue())
                                  : defaultDurationMs;
    PlayStep(silenceFreq, silenceFreq, 0, 0, pause_ms, &TonecReceiver::on_DTMFPauseFinish);
}

// The hold's bound runs from the ask: the step's outcome, told at once or at
// a retry, replaces it.
void TonecReceiver::PlayStep(unsigned short freq1, unsigned short freq2, unsigned short amp1,
                             unsigned short amp2, unsigned ms, Step next) {
    stepMs = ms;
    stepNext = next;
    cutError = 0;
    dialTimer.set(dialHoldMs, &TonecReceiver::on_DialCut, this);
    TonecReceiverService::instance().enableToneGenerator(
        *this, {freq1, freq2, amp1, amp2}, true, [this](const Outcome& step) { OnStep(step); });
}

// Told from inside a request, so whatever it starts waits for the timer.
void TonecReceiver::OnStep(const Outcome& step) {
    if (step.taken()) {
        dialTimer.set(stepMs, stepNext, this);
    } else if (step.dropped()) {
        cutError = step.error;
        dialTimer.set(0, &TonecReceiver::on_DialCut, this);
    }
}

// A step not taken by the bound gets one last try there: its retries wait a
// second from each refusal, so a fault that cleared since the last of them
// would otherwise cut a dial the driver would take. What becomes of the try
// arms the timer again (OnStep): taken, the next step; refused as invalid,
// the cut with the driver's error. The receiver may be gone once
// tone_gen_complete() returns.
void TonecReceiver::on_DialCut(Timer*) {
    if (!cutError) {
        TonecReceiverService::instance().RetryStep(*this);
        if (dialTimer.is_running()) return;
    }
    std::cerr << At("DTMF_DIAL cut short:", tonec_timeslot());
    if (cutError)
        std::cerr << " errno=\"" << Errno(cutError) << '"';
    else
        std::cerr << " (a step not taken within " << dialHoldMs / 1000 << " s)";
    std::cerr << std::endl;
    disableToneGenerator(true);
    tone_gen_complete();
}

// The dial and the cadence share the generator and the timer: the dial wins.
void TonecReceiver::activateAudibleCall() {
    if (dialing) return;
    audibleCall = true;
    on_waitPauseFinish(&dialTimer);
}

void TonecReceiver::cancelAudibleCall() {
    if (dialing) return;
    disableToneGenerator(true);
}

void TonecReceiver::on_waitPauseFinish(Timer*) {
    enableToneGenerator(425, 0, 2048, 2048);
    dialTimer.set(1000, &TonecReceiver::on_waitToneFinish, this);
}

void TonecReceiver::on_waitToneFinish(Timer*) {
    enableSilence();
    dialTimer.set(3000, &TonecReceiver::on_waitPauseFinish, this);
}

void TonecReceiver::translateSelcal(const TERM::SelcalCommand& command) {
    TonecReceiverService::instance().translateSelcal(*this, command);
}

void TonecReceiver::CleanBeforeDestroy() {
    TonecReceiverService::instance().CleanBeforeDestroy(*this);
}

}  // namespace Hardware
