#include "slots/MixerSlot.h"

#include "config/StreamManip.h"
#include "hardware/HwMux.h"
#include "slots/Mixer.h"

#include <algorithm>
#include <cstdint>
#include <iostream>

namespace Mixer {

using P = LGCP::IoctlParams;

// The voice-processing receiver leaves the signal detector as it is; on a
// mixer timeslot nobody else would ever switch it off.
TdmSlot::~TdmSlot() {
    TonecReceiver::CleanBeforeDestroy();
    releaseSD();
    DSProcReceiver::CleanBeforeDestroy();
}

bool TdmSlot::Ioctl(const LGCP::IoctlParams& p) {
    switch (p.currentSelection()) {
        case P::translateDTMF::Id::value:
            translateDTMF(p.get_translateDTMF());
            return true;
        case P::dtmf_params::Id::value:
            return configureDTMF(p.get_dtmf_params());
        case P::vad_enable::Id::value:
            return enableVAD(p.get_vad_enable());
        case P::vad_disable::Id::value:
            return disableVAD();
        case P::vad_params::Id::value:
            return configureVAD(p.get_vad_params());
        case P::sd_enable::Id::value:
            return enableSD(p.get_sd_enable());
        case P::sd_disable::Id::value:
            return disableSD();
        case P::sd_params::Id::value:
            return configureSD();
        case P::iva_enable::Id::value:
            return enableIVA(p.get_iva_enable());
        case P::tone_filter::Id::value: {
            const LGCP::ToneFilter& f = p.get_tone_filter();
            configureToneFilter(unsigned(f.get_freq().getValue()), f.get_enable(),
                                f.get_duration_th_msec().getValue(),
                                f.get_det_level_dB().getValue());
            return true;
        }
        case P::delays::Id::value: {
            const LGCP::Delays& d = p.get_delays();
            if (d.selcal_isPresent())
                std::cerr << ext::header(&mixer)
                          << "error: selcal delay isn't supported for mixer!!! Set to zero."
                          << std::endl;
            configureDelays(d.rx_isPresent() ? unsigned(d.get_rx().getValue()) : 0,
                            d.tx_isPresent() ? unsigned(d.get_tx().getValue()) : 0, 0);
            return true;
        }
        default:
            return false;
    }
}

bool TdmInput::IBeforeDestroy() {
    HwMux::instance().Disable(timeslot);
    mixer.Release(*this);
    return true;
}

bool TdmInput::Ioctl(const LGCP::IoctlParams& p) {
    switch (p.currentSelection()) {
        case P::echoSuppressor::Id::value:
            return echoCancel(p.get_echoSuppressor());
        case P::dtmf_enable::Id::value:
            return enableDTMF(p.get_dtmf_enable());
        case P::dtmf_reject_enable::Id::value:
            return enableDTMFReject(p.get_dtmf_reject_enable());
        case P::iva_params::Id::value:
            return configureIVA(p.get_iva_params());
        case P::rx_gain::Id::value:
            // The driver takes the gain as one signed octet.
            configureRxGain(std::int8_t(p.get_rx_gain().get_gainDB().getValue() & 0xFF));
            return true;
        default:
            return TdmSlot::Ioctl(p);
    }
}

// The input of a leg that feeds its own channel's sum asks for the entry the
// output already holds: its destroy must not take the output's own channel out.
bool TdmOutput::Lists(int number) const {
    if (inputs.empty()) return number == channel;
    return std::find(inputs.begin(), inputs.end(), number) != inputs.end();
}

// The input of the channel receives on the same timeslot: its feed stays.
bool TdmOutput::IBeforeDestroy() {
    if (!Mixer::InputOn(timeslot)) HwMux::instance().Disable(timeslot);
    mixer.Release(*this);
    return true;
}

bool TdmOutput::Ioctl(const LGCP::IoctlParams& p) {
    switch (p.currentSelection()) {
        case P::dtmf_disable::Id::value:
            return disableToneGenerator(false);
        case P::dtmf_reject_disable::Id::value:
            return enableDTMFReject(false);
        case P::tone_gen_enable::Id::value: {
            const LGCP::ToneGenerator& g = p.get_tone_gen_enable();
            playTone(std::uint16_t(g.get_freq().getValue()), std::uint16_t(g.get_amp().getValue()));
            return true;
        }
        case P::tone_gen_disable::Id::value:
            disableToneGenerator(true);
            return true;
        default:
            return TdmSlot::Ioctl(p);
    }
}

}  // namespace Mixer
