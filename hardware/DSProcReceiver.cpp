#include "hardware/DSProcReceiver.h"

#include "hardware/DSProcReceiverService.h"

namespace Hardware {

DSProcReceiver::~DSProcReceiver() = default;

bool DSProcReceiver::configureVAD(const LGCP::VADParams& params) {
    return DSProcReceiverService::instance().configureVAD(dsproc_timeslot(), params);
}

bool DSProcReceiver::enableVAD(bool on) {
    return DSProcReceiverService::instance().enableVAD(*this, on);
}

bool DSProcReceiver::enableBSS(bool on) {
    return DSProcReceiverService::instance().enableBSS(*this, on);
}

bool DSProcReceiver::enableNG(bool on) {
    return DSProcReceiverService::instance().enableNG(*this, on);
}

bool DSProcReceiver::configureSD() {
    return DSProcReceiverService::instance().configureSD(dsproc_timeslot());
}

bool DSProcReceiver::enableSD(bool on) {
    return DSProcReceiverService::instance().enableSD(*this, on);
}

bool DSProcReceiver::enableMute(bool first, bool second) {
    return DSProcReceiverService::instance().enableMute(*this, first, second);
}

// The flags follow the request, not its outcome: a failed reset is not tried
// again at destruction.
void DSProcReceiver::configureDelays(unsigned rx, unsigned tx, unsigned selcal) {
    DSProcReceiverService::instance().configureDelays(dsproc_timeslot(), rx, tx, selcal);
    delaysSet = rx != 0 || tx != 0 || selcal != 0;
}

void DSProcReceiver::configureRxGain(std::int8_t gain_dB) {
    DSProcReceiverService::instance().configureRxGain(dsproc_timeslot(), gain_dB);
    rxGainSet = gain_dB != 0;
}

void DSProcReceiver::configureToneFilter(unsigned freq, unsigned enable, int duration_th_msec,
                                         int det_level_dB) {
    DSProcReceiverService::instance().configureToneFilter(dsproc_timeslot(), freq, enable,
                                                          duration_th_msec, det_level_dB);
}

void DSProcReceiver::disableToneAll() { DSProcReceiverService::instance().disableToneAll(*this); }

void DSProcReceiver::CleanBeforeDestroy() {
    using S = State;
    if (vad.state == S::On) disableVAD();
    if (bss.state == S::On) disableBSS();
    if (ng.state == S::On) disableNG();
    if (muteFirst == S::On || muteSecond == S::On) disableMute();
    if (delaysSet) configureDelays(0, 0, 0);
    if (rxGainSet) configureRxGain(0);
    disableToneAll();
}

}  // namespace Hardware
