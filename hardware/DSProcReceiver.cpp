#include "hardware/DSProcReceiver.h"

#include "hardware/DSProcReceiverService.h"

#include <algorithm>

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

// Like the delays, the list follows the requests. A filter that another
// receiver on the timeslot still uses stays on for it.
void DSProcReceiver::configureToneFilter(unsigned freq, unsigned enable, int duration_th_msec,
                                         int det_level_dB) {
    DSProcReceiverService& service = DSProcReceiverService::instance();
    if (enable ||
        !service.SharedBy(*this, [freq](const DSProcReceiver& r) { return r.Filters(freq); }))
        service.configureToneFilter(dsproc_timeslot(), freq, enable, duration_th_msec,
                                    det_level_dB);
    toneFilters.erase(std::remove(toneFilters.begin(), toneFilters.end(), freq), toneFilters.end());
    if (enable) toneFilters.push_back(freq);
}

bool DSProcReceiver::Filters(unsigned freq) const {
    return std::find(toneFilters.begin(), toneFilters.end(), freq) != toneFilters.end();
}

void DSProcReceiver::disableToneAll() {
    DSProcReceiverService::instance().disableToneAll(*this);
    toneFilters.clear();
}

void DSProcReceiver::releaseSD() {
    if (sd.state == State::On) disableSD();
}

// The driver keeps one state per timeslot, so what another receiver on it
// still uses stays on: the switches and the filters see to it themselves.
void DSProcReceiver::CleanBeforeDestroy() {
    const DSProcReceiverService& service = DSProcReceiverService::instance();
    auto mine = [&](const DSProcReceiverService::Uses& uses) {
        return uses(*this) && !service.SharedBy(*this, uses);
    };
    using S = State;
    if (vad.state == S::On) disableVAD();
    if (bss.state == S::On) disableBSS();
    if (ng.state == S::On) disableNG();
    if (mine([](const DSProcReceiver& r) { return r.muteFirst == S::On || r.muteSecond == S::On; }))
        disableMute();
    if (mine([](const DSProcReceiver& r) { return r.delaysSet; })) configureDelays(0, 0, 0);
    if (mine([](const DSProcReceiver& r) { return r.rxGainSet; })) configureRxGain(0);
    if (!service.SharedBy(*this, [](const DSProcReceiver& r) { return !r.toneFilters.empty(); })) {
        disableToneAll();
        return;
    }
    const std::vector<unsigned> own = toneFilters;
    for (unsigned freq : own) configureToneFilter(freq, 0, 0, 0);
}

}  // namespace Hardware
