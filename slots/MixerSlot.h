// The controller's slot kinds on the conference mixer: an input
// (`mixerIn`), a switch timeslot that feeds a unit's channel, and an output
// (`mixerOut`), the timeslot that carries a summator's sum. Both own a tone
// receiver and a voice-processing receiver on their timeslot, which the
// controller configures through ioctl and whose detections come back as the
// slot's signals. An input and an output on one channel share its timeslot
// and the driver state on it, which the receiver services keep apart: a
// detection goes to each half that switched its detector on. A destroy
// completes at once: the path into the timeslot is switched off (by an output
// only while no input receives on it), the unit's programming undone (or,
// where the driver refuses, owed by the unit), and the receivers switch off
// what they turned on, the signal detector and what the slot plays included,
// leaving the other half what it uses.
#pragma once

#include "hardware/DSProcReceiver.h"
#include "hardware/TonecReceiver.h"
#include "slots/Slot.h"

#include <vector>

namespace Mixer {

class Mixer;

// What a unit keeps in its list of slots.
class MixerSlot : public Slot {};

// What the two kinds share: the unit, the channel and its timeslot, the
// receivers on it, and the ioctl operations both carry out.
class TdmSlot : public MixerSlot,
                protected Hardware::TonecReceiver,
                protected Hardware::DSProcReceiver {
public:
    TdmSlot(Mixer& mixer, int channel, int timeslot)
        : mixer(mixer), channel(channel), timeslot(timeslot) {}
    ~TdmSlot() override;

    // False for an operation this kind does not take.
    bool Ioctl(const LGCP::IoctlParams& params) override;

protected:
    friend class Mixer;

    unsigned tonec_timeslot() const override { return unsigned(timeslot); }
    unsigned dsproc_timeslot() const override { return unsigned(timeslot); }
    void dsproc_tone_flt_event(const ::dsproc_tone_event* event) override {
        processToneFltEvent(event);
    }
    void dsproc_flags_event(const ::dsproc_flags_event* event) override {
        processFlagsEvent(event);
    }

    Mixer& mixer;
    const int channel;
    const int timeslot;
};

class TdmInput : public TdmSlot {
public:
    TdmInput(Mixer& mixer, int channel, int timeslot) : TdmSlot(mixer, channel, timeslot) {}

    bool IBeforeDestroy() override;
    bool Ioctl(const LGCP::IoctlParams& params) override;
    bool IOnInputStream() override { return true; }
    int IGetReceiveChannel() override { return timeslot; }
    const char* GetName() const override { return "mixer tdm input"; }

private:
    friend class Mixer;

    void tonec_event(const Params& params) override { processTonecEvent(params); }
    void dsproc_vad_event(const Hardware::DSProcVADEvent& event) override {
        processVADEvent(event);
    }
    void dsproc_bss_event(const ::dsproc_bss_event* event) override { processBSSEvent(event); }
    void dsproc_sd_event(const Hardware::DSProcSDEvent& event) override { processSDEvent(event); }

    // The summator channel this input feeds; -1 for none.
    int summator = -1;
    // The input's own entry is in that sum: it put it there and neither a
    // clear of the summator nor its output took it out since.
    bool inSum = false;
};

class TdmOutput : public TdmSlot {
public:
    TdmOutput(Mixer& mixer, int channel, int timeslot) : TdmSlot(mixer, channel, timeslot) {}

    bool IBeforeDestroy() override;
    bool Ioctl(const LGCP::IoctlParams& params) override;
    bool IOnOutputStream() override { return true; }
    int IGetTransmitChannel() override { return timeslot; }
    const char* GetName() const override { return "mixer tdm output"; }

private:
    friend class Mixer;

    // Whether the channel's entry in the sum is the output's: one its create
    // listed, or its own channel when it listed none.
    bool Lists(int channel) const;

    // An output reports only its tone filters, flags and finished dials.
    void tonec_event(const Params&) override {}
    void tone_gen_complete() override { processToneGenEvent(); }
    void dsproc_vad_event(const Hardware::DSProcVADEvent&) override {}
    void dsproc_bss_event(const ::dsproc_bss_event*) override {}
    void dsproc_sd_event(const Hardware::DSProcSDEvent&) override {}

    // The channels the output's create listed: their entries are its own.
    std::vector<int> inputs;
};

}  // namespace Mixer
