#include "hardware/DSProcReceiverService.h"

#include "control/TraceCtl.h"
#include "hardware/DevNames.h"
#include "hardware/DriverEvents.h"
#include "hardware/ReceiverRecords.h"

#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sstream>

namespace Hardware {

// Every receiver of the voice-processing driver, in the order they were made.
static Containers::CyclicList receivers;

namespace {

// The words VAD takes from a driver of any version but 2.
constexpr std::uint32_t fixedVadWords[3] = {3, 127, 0};

// The service that exists, if any: a receiver leaves its record even when
// it goes after the service.
DSProcReceiverService* made = nullptr;

// The lines of a configure kind: done (on std::clog, with the values after
// it), failed, and refused for want of a device.
struct Words {
    const char* done;
    const char* fail;
    const char* noDevice;
};

const Words& WordsOf(std::uint32_t kind) {
    static const Words vad{"DSPROC_CONFIGURE VAD", "DSPROC_CONFIGURE VAD fail:",
                           "configure VAD fail: (interface not opened)"};
    static const Words sd{"DSPROC_CONFIGURE SD",
                          "DSPROC_CONFIGURE SD fail:", "configure SD fail: (interface not opened)"};
    static const Words delays{"DSPROC_CONFIGURE DELAYS", "DSPROC_CONFIGURE DELAYS fail:",
                              "configure Delays fail: (interface not opened)"};
    static const Words gain{"DSPROC_CONFIGURE RX GAIN", "DSPROC_CONFIGURE Rx Gain fail:",
                            "Configure Rx gain fail: (interface not opened)"};
    static const Words filter{"DSPROC_CONFIGURE TONE FILTER", "DSPROC_CONFIGURE Tone Filter fail:",
                              "Configure Tone Filter fail: (interface not opened)"};
    switch (kind) {
        case Dsproc::KindVAD:
            return vad;
        case Dsproc::KindSD:
            return sd;
        case Dsproc::KindDelays:
            return delays;
        case Dsproc::KindRxGain:
            return gain;
        default:
            return filter;
    }
}

// The tone filters' keys come after every other kind's.
constexpr std::uint32_t FilterKey(std::uint32_t freq) {
    return Dsproc::KindToneFilter << 16 | freq;
}

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

// Holds, in the record, what a receiver that went had on while the device
// could not be opened, until its clean-up can reach the driver. It hears
// nothing: the device is open only once its clean-up is due.
class DSProcReceiverService::StandIn final : public DSProcReceiver {
public:
    explicit StandIn(unsigned ts) : ts(ts) {}
    void dsproc_vad_event(const DSProcVADEvent&) override {}
    void dsproc_bss_event(const ::dsproc_bss_event*) override {}
    void dsproc_sd_event(const DSProcSDEvent&) override {}
    void dsproc_tone_flt_event(const ::dsproc_tone_event*) override {}
    void dsproc_flags_event(const ::dsproc_flags_event*) override {}
    unsigned dsproc_timeslot() const override { return ts; }

private:
    const unsigned ts;
};

DSProcReceiverService& DSProcReceiverService::instance() {
    static DSProcReceiverService service;
    return service;
}

// The device is left to the first request, so that a device that cannot be
// opened writes its one line for it.
DSProcReceiverService::DSProcReceiverService()
    : device(event, GetDSPDevName(), O_RDWR | O_NONBLOCK,
             "open dsproc fail, VAD proceeding disabled: ", "dsproc",
             [this] { return Listening() || Owed(); }, [this] { Restore(); }) {
    made = this;
    event.Bind<DSProcReceiverService>("DSProcReceiverService::OnEvent",
                                      &DSProcReceiverService::OnEvent, this);
}

DSProcReceiverService::~DSProcReceiverService() { made = nullptr; }

bool DSProcReceiverService::init() { return device.Open(); }

bool DSProcReceiverService::Listening() const {
    for (const auto& [ts, t] : timeslots)
        for (const auto& [receiver, asked] : t.receivers)
            if (asked.vad.state == State::On || asked.sd.state == State::On ||
                asked.bss.state == State::On || HasFilters(asked))
                return true;
    return false;
}

void DSProcReceiverService::Forget(const DSProcReceiver& receiver) {
    if (made) ForgetReceiver(made->timeslots, receiver);
}

std::uint32_t DSProcReceiverService::Key(const Dsproc::ConfigureRecord& record) {
    return record.kind == Dsproc::KindToneFilter ? FilterKey(record.params.toneFilter.freq)
                                                 : record.kind;
}

bool DSProcReceiverService::HasFilters(const Asked& asked) {
    return asked.settings.lower_bound(FilterKey(0)) != asked.settings.end();
}

DSProcReceiverService::Timeslot& DSProcReceiverService::Record(const DSProcReceiver& receiver) {
    return timeslots[receiver.dsproc_timeslot()];
}

DSProcReceiverService::Setting DSProcReceiverService::Make(unsigned ts, std::uint32_t kind,
                                                           const Params& params,
                                                           const std::string& values) {
    Setting setting;
    setting.record = Dsproc::ConfigureRecord{};
    setting.record.timeslot = ts;
    setting.record.kind = kind;
    setting.record.params = params;
    setting.shown = " ts=" + std::to_string(ts) + values;
    return setting;
}

bool DSProcReceiverService::Send(Timeslot& t, const Setting& setting) {
    Dsproc::ConfigureRecord record = setting.record;
    if (device.Request(Dsproc::Configure, &record, [&](std::ostream& out) {
            out << WordsOf(record.kind).fail << " timeslot=" << record.timeslot;
        }) == -1)
        return false;
    t.held[Key(setting.record)] = setting.record;
    unsettled.erase({setting.record.timeslot, Key(setting.record)});
    std::clog << WordsOf(record.kind).done << setting.shown << std::endl;
    return true;
}

bool DSProcReceiverService::Miss(const Setting& setting, bool reset) {
    unsettled[{setting.record.timeslot, Key(setting.record)}] = {setting, reset};
    device.Await();
    return false;
}

bool DSProcReceiverService::Settle(Timeslot& t, std::uint32_t key) {
    const Setting* wanted = Latest(t.receivers, [key](const Asked& asked) -> const Setting* {
        const auto setting = asked.settings.find(key);
        return setting == asked.settings.end() ? nullptr : &setting->second;
    });
    if (!wanted) return false;
    const auto held = t.held.find(key);
    if ((held == t.held.end() || !Same(held->second, wanted->record)) && !Send(t, *wanted))
        Miss(*wanted, false);
    return true;
}

// The record follows the request whatever becomes of it: a setting that
// failed to reach the driver is still undone at the destroy, and a setting
// or an undo that failed is owed: sent again a second later or at the driver's
// next open, not tried again at the destroy.
bool DSProcReceiverService::Configure(DSProcReceiver& receiver, Setting asked, bool reset) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    const std::uint32_t key = Key(asked.record);
    mine.settings.erase(key);
    if (!reset) {
        asked.asked = ++requests;
        mine.settings.emplace(key, asked);
    }
    if (!device.OpenedFor(WordsOf(asked.record.kind).noDevice, asked.record.timeslot))
        return Miss(asked, reset);
    if (reset && Settle(t, key)) return true;
    return Send(t, asked) || Miss(asked, reset);
}

bool DSProcReceiverService::configureVAD(DSProcReceiver& receiver, const LGCP::VADParams& params) {
    const unsigned ts = receiver.dsproc_timeslot();
    if (!device.OpenedFor(WordsOf(Dsproc::KindVAD).noDevice, ts)) return false;
    const int version = device.RequestValue(Dsproc::Version, 0, [ts](std::ostream& out) {
        out << "DSPROC_VERSION fail:"
            << " timeslot=" << ts;
    });
    if (version == -1) return false;
    Params vad{};
    if (version == 2) {
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
    return Configure(receiver, Make(ts, Dsproc::KindVAD, vad, ""), false);
}

bool DSProcReceiverService::configureSD(DSProcReceiver& receiver) {
    return Configure(receiver, Make(receiver.dsproc_timeslot(), Dsproc::KindSD, Params{}, ""),
                     false);
}

void DSProcReceiverService::configureDelays(DSProcReceiver& receiver, unsigned rx, unsigned tx,
                                            unsigned selcal) {
    Params delays{};
    delays.delays = {rx, tx, selcal};
    std::ostringstream values;
    values << " rx=" << rx << " tx=" << tx << " selcal=" << selcal;
    Configure(receiver, Make(receiver.dsproc_timeslot(), Dsproc::KindDelays, delays, values.str()),
              rx == 0 && tx == 0 && selcal == 0);
}

void DSProcReceiverService::configureRxGain(DSProcReceiver& receiver, std::int8_t gain_dB) {
    Params gain{};
    gain.gain_dB = static_cast<std::uint8_t>(gain_dB);
    const std::string values = " gain_dB=" + std::to_string(unsigned(gain.gain_dB));
    Configure(receiver, Make(receiver.dsproc_timeslot(), Dsproc::KindRxGain, gain, values),
              gain_dB == 0);
}

void DSProcReceiverService::configureToneFilter(DSProcReceiver& receiver, unsigned freq,
                                                unsigned enable, int duration_th_msec,
                                                int det_level_dB) {
    Params filter{};
    filter.toneFilter.freq = static_cast<std::uint16_t>(freq);
    filter.toneFilter.enable = enable ? 1 : 0;
    filter.toneFilter.duration_ms = static_cast<std::uint16_t>(duration_th_msec);
    filter.toneFilter.level_dB = static_cast<std::uint8_t>(det_level_dB);
    std::ostringstream values;
    values << " freq=" << freq << ", en=" << enable << ", dur_th_msec=" << duration_th_msec
           << ", det_lvl_dB=" << det_level_dB;
    Configure(receiver,
              Make(receiver.dsproc_timeslot(), Dsproc::KindToneFilter, filter, values.str()),
              !enable);
}

// With another receiver's filters on the timeslot, each of this one's goes
// off alone, or back to the other's settings.
void DSProcReceiverService::disableToneAll(DSProcReceiver& receiver) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    const auto own = mine.settings.lower_bound(FilterKey(0));
    std::vector<std::uint32_t> freqs;
    for (auto it = own; it != mine.settings.end(); ++it)
        freqs.push_back(it->second.record.params.toneFilter.freq);
    if (Other(t.receivers, mine, HasFilters)) {
        for (std::uint32_t freq : freqs) configureToneFilter(receiver, freq, 0, 0, 0);
        return;
    }
    mine.settings.erase(own, mine.settings.end());
    const unsigned ts = receiver.dsproc_timeslot();
    if (device.OpenedFor("Disable All Tone fail: (interface not opened)", ts) &&
        DisableFilters(t, ts))
        return;
    if (!freqs.empty()) {
        unfiltered.insert(ts);
        device.Await();
    }
}

bool DSProcReceiverService::DisableFilters(Timeslot& t, unsigned ts) {
    if (!Send(Dsproc::Disable, ts, 0, Dsproc::MaskToneAll, [ts](std::ostream& out) {
            out << "Disable All Tone fail:"
                << " timeslot=" << ts;
        }))
        return false;
    t.held.erase(t.held.lower_bound(FilterKey(0)), t.held.end());
    std::clog << "DISABLE ALL TONE done: "
              << " ts=" << ts << std::endl;
    return true;
}

bool DSProcReceiverService::Send(unsigned long request, std::uint32_t ts, std::uint32_t id,
                                 std::uint32_t mask, const DriverDevice::Line& fail) {
    Dsproc::SwitchRecord record{ts, id, mask};
    return device.Request(request, &record, fail) != -1;
}

bool DSProcReceiverService::Enable(unsigned ts, std::uint32_t mask, const char* name,
                                   std::uint32_t& id) {
    id = ids.Next();
    if (!Send(Dsproc::Enable, ts, id, mask, [&](std::ostream& out) {
            out << "DSPROC_ENABLE " << name << " fail:"
                << " timeslot=" << ts << " id=" << id;
        }))
        return false;
    std::cerr << "DSPROC_ENABLE " << name << " done:"
              << " timeslot=" << ts << " id=" << id << std::endl;
    return true;
}

bool DSProcReceiverService::Disable(unsigned ts, std::uint32_t mask, const char* name) {
    if (!Send(Dsproc::Disable, ts, 0, mask, [&](std::ostream& out) {
            out << "DSPROC_DISABLE " << name << " fail:"
                << " timeslot=" << ts;
        }))
        return false;
    std::cerr << "DSPROC_DISABLE " << name << " done:"
              << " timeslot=" << ts << std::endl;
    return true;
}

// A receiver that finds the feature on through another one takes it under
// that one's id, so the events reach both, and its switch-off leaves it on.
// The driver keeps a feature that is on while the device is closed, so an
// enable that finds it on needs only the device open, to hear it.
bool DSProcReceiverService::Switch(DSProcReceiver& receiver, Feature Asked::*feature,
                                   std::uint32_t mask, const char* name, bool on) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    Feature& f = mine.*feature;
    const Asked* other = Other(
        t.receivers, mine, [feature](const Asked& a) { return (a.*feature).state == State::On; });
    if (on && (f.state == State::On || other)) {
        if (!init()) return false;
        if (f.state != State::On) f.id = (other->*feature).id;
    } else if (on || (f.state != State::Off && !other)) {
        const unsigned ts = receiver.dsproc_timeslot();
        std::uint32_t id;
        if (on ? !Enable(ts, mask, name, id) : !Disable(ts, mask, name)) return false;
        if (on) f.id = id;
    }
    f.state = on ? State::On : State::Off;
    return true;
}

bool DSProcReceiverService::enableVAD(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &Asked::vad, Dsproc::MaskVAD, "VAD", on);
}

bool DSProcReceiverService::enableBSS(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &Asked::bss, Dsproc::MaskBSS, "BSS", on);
}

bool DSProcReceiverService::enableNG(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &Asked::ng, Dsproc::MaskNG, "NG", on);
}

bool DSProcReceiverService::enableSD(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &Asked::sd, Dsproc::MaskSD, "SD", on);
}

void DSProcReceiverService::releaseSD(DSProcReceiver& receiver) {
    Asked& mine = Of(receiver);
    mine.releasedSD = true;
    if (mine.sd.state == State::On) enableSD(receiver, false);
}

// The set directions are enabled together under one id; a direction that
// goes off is disabled, so the driver never keeps muting what the receiver
// records as unmuted, unless another receiver on the timeslot mutes it.
bool DSProcReceiverService::enableMute(DSProcReceiver& receiver, bool first, bool second) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    auto state = [](bool on) { return on ? State::On : State::Off; };
    if (mine.muteFirst == state(first) && mine.muteSecond == state(second))
        return !(first || second) || init();
    const unsigned ts = receiver.dsproc_timeslot();
    std::uint32_t on = (first ? Dsproc::MaskMuteFirst : 0) | (second ? Dsproc::MaskMuteSecond : 0);
    std::uint32_t off = Dsproc::MaskMuteFirst | Dsproc::MaskMuteSecond;
    if (on) {
        off = (!first && mine.muteFirst != State::Off ? Dsproc::MaskMuteFirst : 0) |
              (!second && mine.muteSecond != State::Off ? Dsproc::MaskMuteSecond : 0);
        std::uint32_t id;
        if (!Enable(ts, on, "MUTE", id)) return false;
        mine.muteId = id;
        if (first) mine.muteFirst = State::On;
        if (second) mine.muteSecond = State::On;
    }
    auto muted = [&](State Asked::*direction, std::uint32_t mask) {
        return Other(t.receivers, mine,
                     [direction](const Asked& a) { return a.*direction == State::On; })
                   ? mask
                   : 0;
    };
    const std::uint32_t sent = off & ~(muted(&Asked::muteFirst, Dsproc::MaskMuteFirst) |
                                       muted(&Asked::muteSecond, Dsproc::MaskMuteSecond));
    if (!off) return true;
    if (sent && !Disable(ts, sent, "MUTE")) return false;
    if (off & Dsproc::MaskMuteFirst) mine.muteFirst = State::Off;
    if (off & Dsproc::MaskMuteSecond) mine.muteSecond = State::Off;
    return true;
}

// VAD and SD parameters have no undo: they go back to the other's own where
// the driver holds this receiver's. Without the device, the driver keeps what
// the receiver had on: a stand-in takes its place in the record until the
// device is back.
void DSProcReceiverService::CleanBeforeDestroy(DSProcReceiver& receiver) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    if ((SwitchedOn(mine) || !mine.settings.empty()) && !init()) {
        LeaveStandIn(standIns, t.receivers, receiver, receiver.dsproc_timeslot(), Absorb);
        device.Await();
        return;
    }
    if (mine.vad.state == State::On) enableVAD(receiver, false);
    if (mine.bss.state == State::On) enableBSS(receiver, false);
    if (mine.ng.state == State::On) enableNG(receiver, false);
    if (mine.muteFirst == State::On || mine.muteSecond == State::On)
        enableMute(receiver, false, false);
    if (mine.settings.count(Dsproc::KindDelays)) configureDelays(receiver, 0, 0, 0);
    if (mine.settings.count(Dsproc::KindRxGain)) configureRxGain(receiver, 0);
    disableToneAll(receiver);
    for (std::uint32_t key : {Dsproc::KindVAD, Dsproc::KindSD})
        if (mine.settings.erase(key)) Settle(t, key);
    // A switch-off the driver refused leaves its feature running there: a
    // stand-in keeps just that in the record, so its events reach no later
    // receiver that did not ask for them, and asks again. The signal detector
    // stays on for an owner that did not give it up.
    auto on = [](State state) { return state == State::On; };
    Asked refused;
    for (Feature Asked::*feature : {&Asked::vad, &Asked::bss, &Asked::ng})
        if (on((mine.*feature).state)) refused.*feature = mine.*feature;
    if (mine.releasedSD && on(mine.sd.state)) refused.sd = mine.sd;
    refused.releasedSD = mine.releasedSD;
    refused.muteFirst = on(mine.muteFirst) ? State::On : State::Unset;
    refused.muteSecond = on(mine.muteSecond) ? State::On : State::Unset;
    refused.muteId = mine.muteId;
    if (SwitchedOn(refused)) {
        mine = refused;
        LeaveStandIn(standIns, t.receivers, receiver, receiver.dsproc_timeslot(), Absorb);
        device.Await();
    }
}

bool DSProcReceiverService::SwitchedOn(const Asked& asked) {
    auto on = [](State state) { return state == State::On; };
    return on(asked.vad.state) || on(asked.bss.state) || on(asked.ng.state) ||
           on(asked.sd.state) || on(asked.muteFirst) || on(asked.muteSecond);
}

// A feature on stays on under the id of the later enable, which the driver
// runs; of two settings of a kind the later counts.
void DSProcReceiverService::Absorb(Asked& into, const Asked& gone) {
    for (Feature Asked::*feature : {&Asked::vad, &Asked::bss, &Asked::ng, &Asked::sd})
        if ((gone.*feature).state == State::On) into.*feature = gone.*feature;
    for (State Asked::*direction : {&Asked::muteFirst, &Asked::muteSecond})
        if (gone.*direction == State::On) into.*direction = State::On;
    into.releasedSD = into.releasedSD || gone.releasedSD;
    for (const auto& [key, setting] : gone.settings) {
        Setting& kept = into.settings[key];
        if (setting.asked > kept.asked) kept = setting;
    }
}

// A stand-in does what its receiver's slot did at its destroy: the signal
// detector it gave up goes off too. One whose clean-up finds the device gone
// again leaves another. Filters switched off together go off first, then
// every setting owed goes as the record now asks: the latest a receiver
// there holds, else the undoing owed; a setting whose receiver has undone
// it meanwhile needs nothing. A timeslot no receiver is left on has nothing
// of the driver's recorded.
void DSProcReceiverService::Restore() {
    std::map<unsigned, std::unique_ptr<StandIn>> gone;
    gone.swap(standIns);
    for (const auto& [ts, standIn] : gone) {
        if (Of(*standIn).releasedSD) releaseSD(*standIn);
        CleanBeforeDestroy(*standIn);
    }
    auto record = [this](unsigned ts, Timeslot& none) -> Timeslot& {
        const auto t = timeslots.find(ts);
        return t == timeslots.end() ? none : t->second;
    };
    std::set<unsigned> filters;
    filters.swap(unfiltered);
    for (unsigned ts : filters) {
        Timeslot none;
        Timeslot& t = record(ts, none);
        if (!DisableFilters(t, ts)) {
            unfiltered.insert(ts);
            device.Await();
            continue;
        }
        std::set<std::uint32_t> wanted;
        for (const auto& [receiver, asked] : t.receivers)
            for (auto it = asked.settings.lower_bound(FilterKey(0)); it != asked.settings.end();
                 ++it)
                wanted.insert(it->first);
        for (std::uint32_t key : wanted) Settle(t, key);
    }
    decltype(unsettled) missed;
    missed.swap(unsettled);
    for (const auto& [where, miss] : missed) {
        Timeslot none;
        Timeslot& t = record(where.first, none);
        if (!Settle(t, where.second) && miss.second && !Send(t, miss.first))
            Miss(miss.first, true);
    }
}

void DSProcReceiverService::OnEvent(int fd, short revents) {
    device.Read(fd, revents, sizeof(Dsproc::EventRecord),
                [this](const void* record) { Dispatch(record); });
}

bool DSProcReceiverService::Made(const Asked& asked, const Dsproc::EventRecord& e) {
    auto current = [&e](const Feature& f) { return f.state == State::On && f.id == e.id; };
    switch (e.type) {
        case Dsproc::TypeVAD:
            return current(asked.vad);
        case Dsproc::TypeSD:
            return current(asked.sd);
        case Dsproc::TypeBSS:
            return asked.bss.state == State::On;
        case Dsproc::TypeToneFilter:
            return e.payload.tone.freq <= 0xFFFF &&
                   asked.settings.count(FilterKey(e.payload.tone.freq));
        case Dsproc::TypeFlags:
            return asked.vad.state == State::On;
    }
    return false;
}

// The walk only chooses, in the order the receivers were made.
std::vector<DSProcReceiver*> DSProcReceiverService::Listeners(const Dsproc::EventRecord& e) const {
    std::vector<DSProcReceiver*> owners;
    DSProcReceiver* first = nullptr;
    for (auto it = receivers.begin(); it != receivers.end(); ++it) {
        DSProcReceiver* receiver = Containers::offset(*it, &DSProcReceiver::link);
        if (receiver->dsproc_timeslot() != e.timeslot) continue;
        if (!first) first = receiver;
        const Asked* asked = FindAsked(timeslots, e.timeslot, *receiver);
        if (asked && Made(*asked, e)) owners.push_back(receiver);
    }
    if (owners.empty() && first) owners.push_back(first);
    return owners;
}

// No id names a request when it is 0, so an event under id 0 never matches
// a feature that was never enabled.
void DSProcReceiverService::Deliver(DSProcReceiver& receiver, const Dsproc::EventRecord& e) {
    static const Asked nothing;
    const Asked* found = FindAsked(timeslots, e.timeslot, receiver);
    const Asked& asked = found ? *found : nothing;
    const bool traced = traces.signalling.events;
    const auto& w = e.payload.words;
    switch (e.type) {
        case Dsproc::TypeVAD:
        case Dsproc::TypeSD: {
            bool vad = e.type == Dsproc::TypeVAD;
            const Feature& f = vad ? asked.vad : asked.sd;
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
                receiver.dsproc_vad_event(vadEvent);
            } else {
                receiver.dsproc_sd_event(DSProcSDEvent{w[0]});
            }
            break;
        }
        case Dsproc::TypeBSS:
            if (asked.bss.state != State::Off)
                receiver.dsproc_bss_event(&e.payload.bss);
            else if (traced)
                std::clog << "ignore spurious dsproc bss event (dsproc disabled): " << Fields{e}
                          << std::endl;
            break;
        case Dsproc::TypeToneFilter:
            receiver.dsproc_tone_flt_event(&e.payload.tone);
            break;
        case Dsproc::TypeFlags:
            receiver.dsproc_flags_event(&e.payload.flags);
            break;
    }
}

// A callback may destroy any receiver, so each listener after the first is
// called only while the record still shows its feature making the event.
void DSProcReceiverService::Dispatch(const void* data) {
    Dsproc::EventRecord e;
    std::memcpy(&e, data, sizeof e);
    if (traces.signalling.events) {
        std::clog << "dsproc event: " << Fields{e} << std::endl;
        TraceType(e);
    }
    const std::vector<DSProcReceiver*> listeners = Listeners(e);
    if (listeners.empty() && traces.signalling.events)
        std::cerr << "receive dsproc event from unknown timeslot " << e.timeslot << std::endl;
    for (std::size_t i = 0; i < listeners.size(); ++i) {
        const Asked* asked = i ? FindAsked(timeslots, e.timeslot, *listeners[i]) : nullptr;
        if (!i || (asked && Made(*asked, e))) Deliver(*listeners[i], e);
    }
}

}  // namespace Hardware
