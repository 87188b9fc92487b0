#include "hardware/DSProcReceiverService.h"

#include "control/TraceCtl.h"
#include "hardware/DevNames.h"
#include "hardware/ReceiverRecords.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
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
    std::uint32_t kind;
    const char* done;
    const char* fail;
    const char* noDevice;
};

constexpr Words words[] = {
    {Dsproc::KindVAD, "DSPROC_CONFIGURE VAD",
     "DSPROC_CONFIGURE VAD fail:", "configure VAD fail: (interface not opened)"},
    {Dsproc::KindSD, "DSPROC_CONFIGURE SD",
     "DSPROC_CONFIGURE SD fail:", "configure SD fail: (interface not opened)"},
    {Dsproc::KindDelays, "DSPROC_CONFIGURE DELAYS",
     "DSPROC_CONFIGURE DELAYS fail:", "configure Delays fail: (interface not opened)"},
    {Dsproc::KindRxGain, "DSPROC_CONFIGURE RX GAIN",
     "DSPROC_CONFIGURE Rx Gain fail:", "Configure Rx gain fail: (interface not opened)"},
    {Dsproc::KindToneFilter, "DSPROC_CONFIGURE TONE FILTER",
     "DSPROC_CONFIGURE Tone Filter fail:", "Configure Tone Filter fail: (interface not opened)"},
};

// Every kind the service sends is in the table; the tone filter's is last.
const Words& WordsOf(std::uint32_t kind) {
    for (const Words& w : words)
        if (w.kind == kind) return w;
    return words[std::size(words) - 1];
}

// What the owed requests key a timeslot's requests by: a configure kind, a
// tone filter's by its frequency after every other kind's, a switch by its
// feature (both mute directions as one), and the version query.
constexpr std::uint32_t FilterKey(std::uint32_t freq) {
    return Dsproc::KindToneFilter << 16 | freq;
}
constexpr bool IsFilterKey(std::uint32_t key) { return key >> 16 == Dsproc::KindToneFilter; }
constexpr std::uint32_t muteMask = Dsproc::MaskMuteFirst | Dsproc::MaskMuteSecond;
constexpr std::uint32_t SwitchKey(std::uint32_t mask) {
    return 0x200u << 16 | (mask & muteMask ? muteMask : mask);
}
constexpr std::uint32_t versionKey = 0x400u << 16;

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

// The device is left to the first request, so that a device that cannot be
// opened writes its one line for it.
DSProcReceiverService::DSProcReceiverService()
    : device(
          event, GetDSPDevName(), O_RDWR | O_NONBLOCK,
          "open dsproc fail, VAD proceeding disabled: ", "dsproc", [this] { return Listening(); },
          [this](const OwedRequests::Key& key) { return Holds(key); }) {
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

// Parameters of 0, and a filter off, are what a reset leaves: nothing held.
bool DSProcReceiverService::Holds(const OwedRequests::Key& key) const {
    const auto h = held.find(key.where);
    if (h == held.end()) return false;
    const Held& driver = h->second;
    auto on = [](const Dsproc::ConfigureRecord& record) {
        if (record.kind == Dsproc::KindToneFilter) return record.params.toneFilter.enable != 0;
        static const Params none{};
        return std::memcmp(&record.params, &none, sizeof none) != 0;
    };
    const auto first = driver.settings.lower_bound(FilterKey(0));
    if (key.what == SwitchKey(Dsproc::MaskToneAll))
        return std::any_of(first, driver.settings.end(),
                           [&](const auto& setting) { return on(setting.second); });
    if (key.what >> 16 == SwitchKey(0) >> 16) return driver.features & key.what & 0xFFFF;
    const auto setting = driver.settings.find(key.what);
    return setting != driver.settings.end() && on(setting->second);
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

// A filter's failure names its frequency: a timeslot has one per frequency.
Outcome DSProcReceiverService::Send(const Setting& setting, IfRefused refused,
                                    std::function<void(const Outcome&)> then) {
    const Dsproc::ConfigureRecord& record = setting.record;
    const unsigned ts = record.timeslot;
    const Words& words = WordsOf(record.kind);
    const std::string freq = record.kind == Dsproc::KindToneFilter
                                 ? " freq=" + std::to_string(record.params.toneFilter.freq)
                                 : "";
    OwedRequests::Request request = device.Ioctl(
        Dsproc::Configure, record,
        {At(words.fail, ts) + freq,
         [this, setting, &words] {
             held[setting.record.timeslot].settings[Key(setting.record)] = setting.record;
             std::clog << words.done << setting.shown << std::endl;
         },
         At(words.noDevice, ts) + freq});
    request.then = std::move(then);
    return device.owed.Ask({ts, Key(record)}, std::move(request), refused);
}

// Taken from the receiver's record only while it still holds this setting:
// a later one of the same key has replaced it otherwise. What the key owed
// when a setting the board will never hold was sent may be the leftover of
// a state gone since: the key is brought to what the records hold anyway.
// One answered with the refusal replaced nothing.
std::function<void(const Outcome&)> DSProcReceiverService::Dropped(
    const DSProcReceiver& receiver, const Setting& asked, std::optional<Kept<Setting>> back,
    IfRefused refused) {
    const unsigned ts = receiver.dsproc_timeslot();
    return [this, ts, who = &receiver, asked, back = std::move(back),
            refused](const Outcome& outcome) {
        const std::uint32_t key = Key(asked.record);
        if (!outcome.dropped()) return;
        Asked* const found = FindAsked(timeslots, ts, who);
        if (!found) return;
        auto& settings = found->settings;
        const auto mine = settings.find(key);
        if (mine == settings.end() || mine->second.now->asked != asked.asked) return;
        mine->second.Back(back.value_or(Kept<Setting>{}), outcome.final(),
                          [&asked](const Setting& s) { return Same(s.record, asked.record); });
        if (!mine->second.now) settings.erase(mine);
        if (refused != IfRefused::Drop) Bring(timeslots.at(ts), ts, key, asked);
    };
}

// The setting sent back is its receiver's ask, and goes back one step in
// its record when the driver refuses it for good.
bool DSProcReceiverService::Settle(Timeslot& t, unsigned ts, std::uint32_t key) {
    const auto [who, wanted] =
        Latest(t.receivers, [key](const Asked& asked) -> const Setting* {
            const auto setting = asked.settings.find(key);
            return setting == asked.settings.end() ? nullptr : &*setting->second.now;
        });
    if (!wanted) return false;
    const auto& driver = held[ts].settings;
    const auto took = driver.find(key);
    if (took != driver.end() && Same(took->second, wanted->record)) {
        device.owed.Forget({ts, key});
        return true;
    }
    Send(*wanted, IfRefused::Owe,
         Dropped(*who, *wanted, t.receivers.at(who).settings.at(key), IfRefused::Owe));
    return true;
}

void DSProcReceiverService::Bring(Timeslot& t, unsigned ts, std::uint32_t key,
                                  const Setting& any) {
    if (Settle(t, ts, key)) return;
    const std::optional<Setting> reset = Cleared(any);
    if (reset && Holds({ts, key}))
        Send(*reset, IfRefused::Undo);
    else
        device.owed.Forget({ts, key});
}

bool DSProcReceiverService::Configure(DSProcReceiver& receiver, Setting asked, bool reset,
                                      IfRefused refused) {
    const unsigned ts = receiver.dsproc_timeslot();
    Timeslot& t = Record(receiver);
    auto& settings = t.receivers[&receiver].settings;
    const std::uint32_t key = Key(asked.record);
    const auto found = settings.find(key);
    const std::optional<Kept<Setting>> before =
        found == settings.end() ? std::nullopt : std::optional<Kept<Setting>>(found->second);
    if (reset) {
        settings.erase(key);
        if (Settle(t, ts, key)) return true;
        return Send(asked, IfRefused::Undo).taken();
    }
    asked.asked = ++requests;
    settings[key].Ask(asked);
    return Send(asked, refused, Dropped(receiver, asked, before, refused)).taken();
}

bool DSProcReceiverService::configureVAD(DSProcReceiver& receiver, const LGCP::VADParams& params) {
    const unsigned ts = receiver.dsproc_timeslot();
    const Outcome version = device.Ask(
        {ts, versionKey}, Dsproc::Version, DriverDevice::Value{0},
        {At("DSPROC_VERSION fail:", ts), nullptr, At(WordsOf(Dsproc::KindVAD).noDevice, ts)},
        IfRefused::Drop);
    if (!version.taken()) return false;
    Params vad{};
    if (version.value == 2) {
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
    return Configure(receiver, Make(ts, Dsproc::KindVAD, vad, ""), false, IfRefused::Drop);
}

bool DSProcReceiverService::configureSD(DSProcReceiver& receiver) {
    return Configure(receiver, Make(receiver.dsproc_timeslot(), Dsproc::KindSD, Params{}, ""),
                     false, IfRefused::Drop);
}

DSProcReceiverService::Setting DSProcReceiverService::Delays(unsigned ts, unsigned rx, unsigned tx,
                                                             unsigned selcal) {
    Params delays{};
    delays.delays = {rx, tx, selcal};
    std::ostringstream values;
    values << " rx=" << rx << " tx=" << tx << " selcal=" << selcal;
    return Make(ts, Dsproc::KindDelays, delays, values.str());
}

DSProcReceiverService::Setting DSProcReceiverService::RxGain(unsigned ts, std::int8_t gain_dB) {
    Params gain{};
    gain.gain_dB = static_cast<std::uint8_t>(gain_dB);
    return Make(ts, Dsproc::KindRxGain, gain, " gain_dB=" + std::to_string(unsigned(gain.gain_dB)));
}

DSProcReceiverService::Setting DSProcReceiverService::ToneFilter(unsigned ts, unsigned freq,
                                                                 unsigned enable,
                                                                 int duration_th_msec,
                                                                 int det_level_dB) {
    Params filter{};
    filter.toneFilter.freq = static_cast<std::uint16_t>(freq);
    filter.toneFilter.enable = enable ? 1 : 0;
    filter.toneFilter.duration_ms = static_cast<std::uint16_t>(duration_th_msec);
    filter.toneFilter.level_dB = static_cast<std::uint8_t>(det_level_dB);
    std::ostringstream values;
    values << " freq=" << freq << ", en=" << enable << ", dur_th_msec=" << duration_th_msec
           << ", det_lvl_dB=" << det_level_dB;
    return Make(ts, Dsproc::KindToneFilter, filter, values.str());
}

// The service builds no setting of another kind than these.
std::optional<DSProcReceiverService::Setting> DSProcReceiverService::Cleared(
    const Setting& setting) {
    const Dsproc::ConfigureRecord& record = setting.record;
    switch (record.kind) {
        case Dsproc::KindVAD:
        case Dsproc::KindSD:
            return std::nullopt;
        case Dsproc::KindDelays:
            return Delays(record.timeslot, 0, 0, 0);
        case Dsproc::KindRxGain:
            return RxGain(record.timeslot, 0);
        case Dsproc::KindToneFilter:
            return ToneFilter(record.timeslot, record.params.toneFilter.freq, 0, 0, 0);
    }
    return std::nullopt;
}

void DSProcReceiverService::configureDelays(DSProcReceiver& receiver, unsigned rx, unsigned tx,
                                            unsigned selcal) {
    Configure(receiver, Delays(receiver.dsproc_timeslot(), rx, tx, selcal),
              rx == 0 && tx == 0 && selcal == 0, IfRefused::Owe);
}

void DSProcReceiverService::configureRxGain(DSProcReceiver& receiver, std::int8_t gain_dB) {
    Configure(receiver, RxGain(receiver.dsproc_timeslot(), gain_dB), gain_dB == 0, IfRefused::Owe);
}

void DSProcReceiverService::configureToneFilter(DSProcReceiver& receiver, unsigned freq,
                                                unsigned enable, int duration_th_msec,
                                                int det_level_dB) {
    Configure(receiver,
              ToneFilter(receiver.dsproc_timeslot(), freq, enable, duration_th_msec, det_level_dB),
              !enable, IfRefused::Owe);
}

// With another receiver's filters on the timeslot, each of this one's goes
// off alone, or back to the other's settings. The switch-off of every filter
// replaces what any filter there still owed; with none on, a refused one
// leaves nothing behind. Owed, it may reach the driver after a later
// receiver there set filters of its own: those go on again.
void DSProcReceiverService::disableToneAll(DSProcReceiver& receiver) {
    const unsigned ts = receiver.dsproc_timeslot();
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    const auto own = mine.settings.lower_bound(FilterKey(0));
    std::vector<std::uint32_t> freqs;
    for (auto it = own; it != mine.settings.end(); ++it)
        freqs.push_back(it->second.now->record.params.toneFilter.freq);
    if (Other(t.receivers, mine, HasFilters)) {
        for (std::uint32_t freq : freqs) configureToneFilter(receiver, freq, 0, 0, 0);
        return;
    }
    mine.settings.erase(own, mine.settings.end());
    auto filter = [ts](const OwedRequests::Key& key) {
        return key.where == ts && IsFilterKey(key.what);
    };
    const bool on = !freqs.empty() || device.owed.OwesAny(filter);
    device.owed.ForgetIf(filter);
    const Dsproc::SwitchRecord record{ts, 0, Dsproc::MaskToneAll};
    device.Ask({ts, SwitchKey(Dsproc::MaskToneAll)}, Dsproc::Disable, record,
               {At("Disable All Tone fail:", ts),
                [this, ts] {
                    std::clog << "DISABLE ALL TONE done: "
                              << " ts=" << ts << std::endl;
                    const auto t = timeslots.find(ts);
                    if (t == timeslots.end()) return;
                    auto& driver = held[ts].settings;
                    driver.erase(driver.lower_bound(FilterKey(0)), driver.end());
                    // A filter sent back and refused for good leaves its
                    // record: the keys are taken before any is sent.
                    std::set<std::uint32_t> keys;
                    for (const auto& [r, asked] : t->second.receivers)
                        for (auto it = asked.settings.lower_bound(FilterKey(0));
                             it != asked.settings.end(); ++it)
                            keys.insert(it->first);
                    for (std::uint32_t key : keys) Settle(t->second, ts, key);
                },
                At("Disable All Tone fail: (interface not opened)", ts)},
               on ? IfRefused::Undo : IfRefused::Drop);
}

// An enable's lines name its id.
bool DSProcReceiverService::Send(unsigned ts, std::uint32_t id, std::uint32_t mask,
                                 const char* name, IfRefused refused) {
    const std::string words = std::string(id ? "DSPROC_ENABLE " : "DSPROC_DISABLE ") + name;
    const std::string shown = id ? " id=" + std::to_string(id) : "";
    const std::string done = At(words + " done:", ts) + shown;
    auto took = [this, ts, id, mask, done] {
        std::uint32_t& features = held[ts].features;
        features = id ? features | mask : features & ~mask;
        std::cerr << done << std::endl;
    };
    return device
        .Ask({ts, SwitchKey(mask)}, id ? Dsproc::Enable : Dsproc::Disable,
             Dsproc::SwitchRecord{ts, id, mask}, {At(words + " fail:", ts) + shown, took}, refused)
        .taken();
}

// A receiver that finds the feature on through another one takes it under
// that one's id, so the events reach both, and its switch-off leaves it on.
// The driver keeps a feature that is on while the device is closed, so an
// enable that finds it on needs only the device open, to hear it.
// A switch-off owed at a destroy leaves the feature on in the driver for no
// receiver: the record no longer shows it on.
bool DSProcReceiverService::Switch(DSProcReceiver& receiver, Feature Asked::*feature,
                                   std::uint32_t mask, const char* name, bool on,
                                   IfRefused refused) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    Feature& f = mine.*feature;
    const Asked* other = Other(
        t.receivers, mine, [feature](const Asked& a) { return (a.*feature).state == State::On; });
    const unsigned ts = receiver.dsproc_timeslot();
    if (on && (f.state == State::On || other)) {
        const std::string words = std::string("DSPROC_ENABLE ") + name + " fail:";
        if (!device.Join({ts, SwitchKey(mask)}, {At(words, ts)})) return false;
        if (f.state != State::On) f.id = (other->*feature).id;
    } else if (on) {
        const std::uint32_t id = ids.Next();
        if (!Send(ts, id, mask, name, IfRefused::Drop)) return false;
        f.id = id;
    } else if (f.state != State::Off && !other && !Send(ts, 0, mask, name, refused) &&
               refused == IfRefused::Drop) {
        return false;
    }
    f.state = on ? State::On : State::Off;
    return true;
}

bool DSProcReceiverService::enableVAD(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &Asked::vad, Dsproc::MaskVAD, "VAD", on, IfRefused::Drop);
}

bool DSProcReceiverService::enableBSS(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &Asked::bss, Dsproc::MaskBSS, "BSS", on, IfRefused::Drop);
}

bool DSProcReceiverService::enableNG(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &Asked::ng, Dsproc::MaskNG, "NG", on, IfRefused::Drop);
}

bool DSProcReceiverService::enableSD(DSProcReceiver& receiver, bool on) {
    return Switch(receiver, &Asked::sd, Dsproc::MaskSD, "SD", on, IfRefused::Drop);
}

// Nothing answers the slot that gives the detector up: its switch-off is owed.
void DSProcReceiverService::releaseSD(DSProcReceiver& receiver) {
    if (Of(receiver).sd.state == State::On)
        Switch(receiver, &Asked::sd, Dsproc::MaskSD, "SD", false, IfRefused::Undo);
}

// The set directions are enabled together under one id; a direction that
// goes off is disabled, so the driver never keeps muting what the receiver
// records as unmuted, unless another receiver on the timeslot mutes it.
bool DSProcReceiverService::enableMute(DSProcReceiver& receiver, bool first, bool second,
                                       IfRefused refused) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    auto state = [](bool on) { return on ? State::On : State::Off; };
    if (mine.muteFirst == state(first) && mine.muteSecond == state(second))
        return !(first || second) || init();
    const unsigned ts = receiver.dsproc_timeslot();
    std::uint32_t on = (first ? Dsproc::MaskMuteFirst : 0) | (second ? Dsproc::MaskMuteSecond : 0);
    std::uint32_t off = muteMask;
    if (on) {
        off = (!first && mine.muteFirst != State::Off ? Dsproc::MaskMuteFirst : 0) |
              (!second && mine.muteSecond != State::Off ? Dsproc::MaskMuteSecond : 0);
        const std::uint32_t id = ids.Next();
        if (!Send(ts, id, on, "MUTE", IfRefused::Drop)) return false;
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
    if (sent && !Send(ts, 0, sent, "MUTE", refused) && refused == IfRefused::Drop) return false;
    if (off & Dsproc::MaskMuteFirst) mine.muteFirst = State::Off;
    if (off & Dsproc::MaskMuteSecond) mine.muteSecond = State::Off;
    return true;
}

// VAD and SD parameters have no undo: they go back to the other's own where
// the driver holds this receiver's, and nothing is owed for them when no
// other has any. What the driver refuses of the clean-up, or misses for want
// of the device, is owed.
void DSProcReceiverService::CleanBeforeDestroy(DSProcReceiver& receiver) {
    const unsigned ts = receiver.dsproc_timeslot();
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    if (mine.vad.state == State::On)
        Switch(receiver, &Asked::vad, Dsproc::MaskVAD, "VAD", false, IfRefused::Undo);
    if (mine.bss.state == State::On)
        Switch(receiver, &Asked::bss, Dsproc::MaskBSS, "BSS", false, IfRefused::Undo);
    if (mine.ng.state == State::On)
        Switch(receiver, &Asked::ng, Dsproc::MaskNG, "NG", false, IfRefused::Undo);
    if (mine.muteFirst == State::On || mine.muteSecond == State::On)
        enableMute(receiver, false, false, IfRefused::Undo);
    if (mine.settings.count(Dsproc::KindDelays)) configureDelays(receiver, 0, 0, 0);
    if (mine.settings.count(Dsproc::KindRxGain)) configureRxGain(receiver, 0);
    disableToneAll(receiver);
    for (std::uint32_t key : {Dsproc::KindVAD, Dsproc::KindSD})
        if (mine.settings.erase(key) && !Settle(t, ts, key)) device.owed.Forget({ts, key});
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
        const Asked* asked = FindAsked(timeslots, e.timeslot, receiver);
        if (asked && Made(*asked, e)) owners.push_back(receiver);
    }
    if (owners.empty() && first && !Orphan(e)) owners.push_back(first);
    return owners;
}

bool DSProcReceiverService::Orphan(const Dsproc::EventRecord& e) const {
    auto owes = [&](std::uint32_t key) { return device.owed.Owes({e.timeslot, key}); };
    switch (e.type) {
        case Dsproc::TypeVAD:
        case Dsproc::TypeFlags:
            return owes(SwitchKey(Dsproc::MaskVAD));
        case Dsproc::TypeSD:
            return owes(SwitchKey(Dsproc::MaskSD));
        case Dsproc::TypeBSS:
            return owes(SwitchKey(Dsproc::MaskBSS));
        case Dsproc::TypeToneFilter:
            return owes(SwitchKey(Dsproc::MaskToneAll)) ||
                   (e.payload.tone.freq <= 0xFFFF && owes(FilterKey(e.payload.tone.freq)));
    }
    return false;
}

// No id names a request when it is 0, so an event under id 0 never matches
// a feature that was never enabled.
void DSProcReceiverService::Deliver(DSProcReceiver& receiver, const Dsproc::EventRecord& e) {
    static const Asked nothing;
    const Asked* found = FindAsked(timeslots, e.timeslot, &receiver);
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
    if (listeners.empty() && !Orphan(e) && traces.signalling.events)
        std::cerr << "receive dsproc event from unknown timeslot " << e.timeslot << std::endl;
    for (std::size_t i = 0; i < listeners.size(); ++i) {
        const Asked* asked = i ? FindAsked(timeslots, e.timeslot, listeners[i]) : nullptr;
        if (!i || (asked && Made(*asked, e))) Deliver(*listeners[i], e);
    }
}

}  // namespace Hardware
