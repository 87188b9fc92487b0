#include "hardware/DSProcReceiverService.h"

#include "control/TraceCtl.h"
#include "hardware/BoardDevices.h"
#include "hardware/DevNames.h"
#include "hardware/DriverEvents.h"

#include <cstring>
#include <fcntl.h>
#include <iostream>

namespace Hardware {

// Every receiver of the voice-processing driver, in the order they were made.
static Containers::CyclicList receivers;

namespace {

// The words VAD takes from a driver of any version but 2.
constexpr std::uint32_t fixedVadWords[3] = {3, 127, 0};

struct Fields {
    const Dsproc::EventRecord& e;
};
std::ostream& operator<<(std::ostream& out, Fields f) {
    return out << " timeslot=" << f.e.timeslot << " id=" << f.e.id << " type=" << f.e.type;
}

// The type's own trace line; the flags are hexadecimal in that line only.
void TraceType(const Dsproc::EventRecord& e) {
    const auto& w = e.payload.words;
    switch (e.type) {
        case Dsproc::TypeVAD:
            std::clog << "dsproc vad event: "
                      << " dir_mask=" << w[0] << " vad_rx=" << w[1] << " vad_tx=" << w[2]
                      << std::endl;
            break;
        case Dsproc::TypeSD:
            std::clog << "dsproc sd event: "
                      << " sd_rx=" << w[0] << std::endl;
            break;
        case Dsproc::TypeBSS:
            std::clog << "dsproc bss event: "
                      << " score=" << e.payload.bss.score << std::endl;
            break;
        case Dsproc::TypeFlags: {
            std::ios_base::fmtflags saved = std::clog.flags();
            std::clog << "dsproc flags event: " << std::hex << " flags=" << e.payload.flags.flags
                      << ", mask=" << e.payload.flags.mask << std::endl;
            std::clog.flags(saved);
            break;
        }
    }
}

}  // namespace

// Joining the list does not make the service: the device is opened by the
// first request.
DSProcReceiver::DSProcReceiver() { receivers.AddToTail(&link); }

DSProcReceiverService& DSProcReceiverService::instance() {
    static DSProcReceiverService service;
    return service;
}

DSProcReceiverService::DSProcReceiverService() {
    event.Bind<DSProcReceiverService>("DSProcReceiverService::OnEvent",
                                      &DSProcReceiverService::OnEvent, this);
    init();
}

bool DSProcReceiverService::init() {
    return WatchDriver(event, GetDSPDevName(), O_RDWR | O_NONBLOCK,
                       "open dsproc fail, VAD proceeding disabled: ");
}

bool DSProcReceiverService::Configure(std::uint32_t ts, std::uint32_t kind, void* params,
                                      const char* failure) {
    Dsproc::ConfigureRecord record{};
    record.timeslot = ts;
    record.kind = kind;
    if (params) std::memcpy(&record.params, params, sizeof record.params);
    if (Board::devices().ioctl(event.lowlevel_fd(), Dsproc::Configure, &record) != -1) return true;
    ErrnoSuffix e;
    std::cerr << failure << " timeslot=" << ts << e << std::endl;
    return false;
}

bool DSProcReceiverService::configureVAD(unsigned ts, const LGCP::VADParams& params) {
    if (!OpenedFor(init(), "configure VAD fail: (interface not opened)", ts)) return false;
    decltype(Dsproc::ConfigureRecord::params) vad{};
    if (Board::devices().ioctlValue(event.lowlevel_fd(), Dsproc::Version, 0) == 2) {
        if (!params.v2_isSelected()) {
            std::cerr << "DSPROC_CONFIGURE VAD: params not specified for v2: "
                      << " timeslot=" << ts << std::endl;
            return false;
        }
        const TERM::VADParamsV2& v2 = params.get_v2();
        vad.vad.voice_ms = static_cast<std::uint16_t>(v2.get_voice_th_msec().getValue());
        vad.vad.silence_ms = static_cast<std::uint16_t>(v2.get_silence_th_msec().getValue());
        vad.vad.energy_dB = static_cast<std::uint8_t>(v2.get_e_th_dB().getValue());
    } else {
        std::memcpy(vad.words, fixedVadWords, sizeof vad.words);
    }
    if (!Configure(ts, Dsproc::KindVAD, &vad, "DSPROC_CONFIGURE VAD fail:")) return false;
    std::clog << "DSPROC_CONFIGURE VAD"
              << " ts=" << ts << std::endl;
    return true;
}

bool DSProcReceiverService::configureSD(unsigned ts) {
    if (!OpenedFor(init(), "configure SD fail: (interface not opened)", ts) ||
        !Configure(ts, Dsproc::KindSD, nullptr, "DSPROC_CONFIGURE SD fail:"))
        return false;
    std::clog << "DSPROC_CONFIGURE SD"
              << " ts=" << ts << std::endl;
    return true;
}

void DSProcReceiverService::configureDelays(unsigned ts, unsigned rx, unsigned tx,
                                            unsigned selcal) {
    Dsproc::DelayParams delays{rx, tx, selcal};
    if (!OpenedFor(init(), "configure Delays fail: (interface not opened)", ts) ||
        !Configure(ts, Dsproc::KindDelays, &delays, "DSPROC_CONFIGURE DELAYS fail:"))
        return;
    std::clog << "DSPROC_CONFIGURE DELAYS"
              << " ts=" << ts << " rx=" << rx << " tx=" << tx << " selcal=" << selcal << std::endl;
}

void DSProcReceiverService::configureRxGain(unsigned ts, std::int8_t gain_dB) {
    decltype(Dsproc::ConfigureRecord::params) gain{};
    gain.gain_dB = static_cast<std::uint8_t>(gain_dB);
    if (!OpenedFor(init(), "Configure Rx gain fail: (interface not opened)", ts) ||
        !Configure(ts, Dsproc::KindRxGain, &gain, "DSPROC_CONFIGURE Rx Gain fail:"))
        return;
    std::clog << "DSPROC_CONFIGURE RX GAIN"
              << " ts=" << ts << " gain_dB=" << unsigned(gain.gain_dB) << std::endl;
}

void DSProcReceiverService::configureToneFilter(unsigned ts, unsigned freq, unsigned enable,
                                                int duration_th_msec, int det_level_dB) {
    decltype(Dsproc::ConfigureRecord::params) filter{};
    filter.toneFilter.freq = static_cast<std::uint16_t>(freq);
    filter.toneFilter.enable = enable ? 1 : 0;
    filter.toneFilter.duration_ms = static_cast<std::uint16_t>(duration_th_msec);
    filter.toneFilter.level_dB = static_cast<std::uint8_t>(det_level_dB);
    if (!OpenedFor(init(), "Configure Tone Filter fail: (interface not opened)", ts) ||
        !Configure(ts, Dsproc::KindToneFilter, &filter, "DSPROC_CONFIGURE Tone Filter fail:"))
        return;
    std::clog << "DSPROC_CONFIGURE TONE FILTER"
              << " ts=" << ts << " freq=" << freq << ", en=" << enable
              << ", dur_th_msec=" << duration_th_msec << ", det_lvl_dB=" << det_level_dB
              << std::endl;
}

void DSProcReceiverService::disableToneAll(DSProcReceiver& receiver) {
    unsigned ts = receiver.dsproc_timeslot();
    if (!OpenedFor(init(), "Disable All Tone fail: (interface not opened)", ts)) return;
    if (!Send(Dsproc::Disable, ts, 0, Dsproc::MaskToneAll)) {
        ErrnoSuffix e;
        std::cerr << "Disable All Tone fail:"
                  << " timeslot=" << ts << e << std::endl;
        return;
    }
    std::clog << "DISABLE ALL TONE done: "
              << " ts=" << ts << std::endl;
}

bool DSProcReceiverService::Send(unsigned long request, std::uint32_t ts, std::uint32_t id,
                                 std::uint32_t mask) {
    init();
    Dsproc::SwitchRecord record{ts, id, mask};
    return Board::devices().ioctl(event.lowlevel_fd(), request, &record) != -1;
}

bool DSProcReceiverService::Enable(unsigned ts, std::uint32_t mask, const char* name,
                                   std::uint32_t& id) {
    id = ids.Next();
    if (!Send(Dsproc::Enable, ts, id, mask)) {
        ErrnoSuffix e;
        std::cerr << "DSPROC_ENABLE " << name << " fail:"
                  << " timeslot=" << ts << " id=" << id << e << std::endl;
        return false;
    }
    std::cerr << "DSPROC_ENABLE " << name << " done:"
              << " timeslot=" << ts << " id=" << id << std::endl;
    return true;
}

bool DSProcReceiverService::Disable(unsigned ts, std::uint32_t mask, const char* name) {
    if (!Send(Dsproc::Disable, ts, 0, mask)) {
        ErrnoSuffix e;
        std::cerr << "DSPROC_DISABLE " << name << " fail:"
                  << " timeslot=" << ts << e << std::endl;
        return false;
    }
    std::cerr << "DSPROC_DISABLE " << name << " done:"
              << " timeslot=" << ts << std::endl;
    return true;
}

// The driver keeps one switch per timeslot: a receiver whose timeslot has the
// feature on through another one takes it under that one's id, so its events
// reach whichever is left, and switching off leaves it on for the other.
bool DSProcReceiverService::Switch(DSProcReceiver& receiver,
                                   DSProcReceiver::Feature DSProcReceiver::*feature,
                                   std::uint32_t mask, const char* name, bool on) {
    using State = DSProcReceiver::State;
    DSProcReceiver::Feature& mine = receiver.*feature;
    if (mine.state == (on ? State::On : State::Off)) return true;
    const DSProcReceiver* other = SharedBy(
        receiver, [feature](const DSProcReceiver& r) { return (r.*feature).state == State::On; });
    if (other) {
        if (on) mine.id = (other->*feature).id;
    } else {
        unsigned ts = receiver.dsproc_timeslot();
        std::uint32_t id;
        if (on ? !Enable(ts, mask, name, id) : !Disable(ts, mask, name)) return false;
        if (on) mine.id = id;
    }
    mine.state = on ? State::On : State::Off;
    return true;
}

bool DSProcReceiverService::enableVAD(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &DSProcReceiver::vad, Dsproc::MaskVAD, "VAD", on);
}

bool DSProcReceiverService::enableBSS(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &DSProcReceiver::bss, Dsproc::MaskBSS, "BSS", on);
}

bool DSProcReceiverService::enableNG(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &DSProcReceiver::ng, Dsproc::MaskNG, "NG", on);
}

bool DSProcReceiverService::enableSD(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &DSProcReceiver::sd, Dsproc::MaskSD, "SD", on);
}

// The set directions are enabled together under one id; a direction that
// goes off is disabled, so the driver never keeps muting what the receiver
// records as unmuted.
bool DSProcReceiverService::enableMute(DSProcReceiver& receiver, bool first, bool second) {
    using State = DSProcReceiver::State;
    auto state = [](bool on) { return on ? State::On : State::Off; };
    if (receiver.muteFirst == state(first) && receiver.muteSecond == state(second)) return true;
    unsigned ts = receiver.dsproc_timeslot();
    std::uint32_t on = (first ? Dsproc::MaskMuteFirst : 0) | (second ? Dsproc::MaskMuteSecond : 0);
    std::uint32_t off = Dsproc::MaskMuteFirst | Dsproc::MaskMuteSecond;
    if (on) {
        off = (!first && receiver.muteFirst != State::Off ? Dsproc::MaskMuteFirst : 0) |
              (!second && receiver.muteSecond != State::Off ? Dsproc::MaskMuteSecond : 0);
        std::uint32_t id;
        if (!Enable(ts, on, "MUTE", id)) return false;
        receiver.muteId = id;
        if (first) receiver.muteFirst = State::On;
        if (second) receiver.muteSecond = State::On;
    }
    if (!off) return true;
    if (!Disable(ts, off, "MUTE")) return false;
    if (off & Dsproc::MaskMuteFirst) receiver.muteFirst = State::Off;
    if (off & Dsproc::MaskMuteSecond) receiver.muteSecond = State::Off;
    return true;
}

const DSProcReceiver* DSProcReceiverService::SharedBy(const DSProcReceiver& receiver,
                                                      const Uses& uses) const {
    for (auto it = receivers.begin(); it != receivers.end(); ++it) {
        const DSProcReceiver* other = Containers::offset(*it, &DSProcReceiver::link);
        if (other != &receiver && other->dsproc_timeslot() == receiver.dsproc_timeslot() &&
            uses(*other))
            return other;
    }
    return nullptr;
}

void DSProcReceiverService::OnEvent(int fd, short revents) {
    if (!ReadDriverEvents(fd, revents, sizeof(Dsproc::EventRecord), "dsproc",
                          [this](const void* record) { Dispatch(record); }))
        event.Release();
}

// An event belongs to the receiver on its timeslot whose feature made it;
// with none, to the first on the timeslot, which tells why it is dropped. The
// walk only chooses, so the next record walks the list afresh.
DSProcReceiver* DSProcReceiverService::Owner(const Dsproc::EventRecord& e) {
    using State = DSProcReceiver::State;
    auto current = [&e](const DSProcReceiver::Feature& f) {
        return f.state == State::On && f.id == e.id;
    };
    auto made = [&](const DSProcReceiver& r) {
        switch (e.type) {
            case Dsproc::TypeVAD:
                return current(r.vad);
            case Dsproc::TypeSD:
                return current(r.sd);
            case Dsproc::TypeBSS:
                return r.bss.state == State::On;
            case Dsproc::TypeToneFilter:
                return r.Filters(e.payload.tone.freq);
            case Dsproc::TypeFlags:
                return r.vad.state == State::On;
        }
        return false;
    };
    DSProcReceiver* first = nullptr;
    for (auto it = receivers.begin(); it != receivers.end(); ++it) {
        DSProcReceiver* receiver = Containers::offset(*it, &DSProcReceiver::link);
        if (receiver->dsproc_timeslot() != e.timeslot) continue;
        if (made(*receiver)) return receiver;
        if (!first) first = receiver;
    }
    return first;
}

// The receiver is called after the walk, so one destroyed by its callback is
// never touched again. No id names a request when it is 0, so an event under
// id 0 never matches a feature that was never enabled.
void DSProcReceiverService::Dispatch(const void* data) {
    using State = DSProcReceiver::State;
    Dsproc::EventRecord e;
    std::memcpy(&e, data, sizeof e);
    const bool traced = traces.signalling.events;
    if (traced) {
        std::clog << "dsproc event: " << Fields{e} << std::endl;
        TraceType(e);
    }
    DSProcReceiver* receiver = Owner(e);
    if (!receiver) {
        if (traced)
            std::cerr << "receive dsproc event from unknown timeslot " << e.timeslot << std::endl;
        return;
    }
    const auto& w = e.payload.words;
    switch (e.type) {
        case Dsproc::TypeVAD:
        case Dsproc::TypeSD: {
            bool vad = e.type == Dsproc::TypeVAD;
            const DSProcReceiver::Feature& f = vad ? receiver->vad : receiver->sd;
            const char* name = vad ? "vad" : "sd";
            if (f.state == State::Off) {
                if (traced)
                    std::clog << "ignore spurious dsproc " << name
                              << " event (dsproc disabled): " << Fields{e} << std::endl;
            } else if (e.id == 0 || e.id != f.id) {
                if (traced)
                    std::clog << "ignore spurious dsproc " << name << " event: " << Fields{e}
                              << " rid=" << f.id << std::endl;
            } else if (vad) {
                DSProcVADEvent vadEvent{-1, -1};
                if (w[0] & 1) vadEvent.rx = w[1];
                if (w[0] & 2) vadEvent.tx = w[2];
                receiver->dsproc_vad_event(vadEvent);
            } else {
                receiver->dsproc_sd_event(DSProcSDEvent{w[0]});
            }
            break;
        }
        case Dsproc::TypeBSS:
            if (receiver->bss.state != State::Off)
                receiver->dsproc_bss_event(&e.payload.bss);
            else if (traced)
                std::clog << "ignore spurious dsproc bss event (dsproc disabled): " << Fields{e}
                          << std::endl;
            break;
        case Dsproc::TypeToneFilter:
            receiver->dsproc_tone_flt_event(&e.payload.tone);
            break;
        case Dsproc::TypeFlags:
            receiver->dsproc_flags_event(&e.payload.flags);
            break;
    }
}

}  // namespace Hardware
