#include "hardware/DSProcReceiver.h"

#include "hardware/DSProcReceiverService.h"

namespace Hardware {

DSProcReceiver::~DSProcReceiver() { DSProcReceiverService::Forget(*this); }

bool DSProcReceiver::configureVAD(const LGCP::VADParams& params) {
    return DSProcReceiverService::instance().configureVAD(*this, params);
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

bool DSProcReceiver::configureSD() { return DSProcReceiverService::instance().configureSD(*this); }

bool DSProcReceiver::enableSD(bool on) {
    return DSProcReceiverService::instance().enableSD(*this, on);
}

void DSProcReceiver::releaseSD() { DSProcReceiverService::instance().releaseSD(*this); }

bool DSProcReceiver::enableMute(bool first, bool second) {
    return DSProcReceiverService::instance().enableMute(*this, first, second);
}

void DSProcReceiver::configureDelays(unsigned rx, unsigned tx, unsigned selcal) {
    DSProcReceiverService::instance().configureDelays(*this, rx, tx, selcal);
}

void DSProcReceiver::configureRxGain(std::int8_t gain_dB) {
    DSProcReceiverService::instance().configureRxGain(*this, gain_dB);
}

void DSProcReceiver::configureToneFilter(unsigned freq, unsigned enable, int duration_th_msec,
                                         int det_level_dB) {
    DSProcReceiverService::instance().configureToneFilter(*this, freq, enable, duration_th_msec,
                                                          det_level_dB);
}

void DSProcReceiver::disableToneAll() { DSProcReceiverService::instance().disableToneAll(*this); }

void DSProcReceiver::CleanBeforeDestroy() {
    DSProcReceiverService::instance().CleanBeforeDestroy(*this);
}

}  // namespace Hardware
