#include "hardware/TonecReceiverService.h"

#include "hardware/DevNames.h"
#include "hardware/ReceiverRecords.h"
#include "hardware/TonecDriver.h"
#include "hardware/TonecReceiver.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <iterator>
#include <vector>

namespace Hardware {

// Every receiver of the tone driver, in the order they were made.
static Containers::CyclicList receivers;

namespace {

std::ostream& operator<<(std::ostream& out, const Tonec::EventRecord& e) {
    return out << " timestamp=" << e.timestamp << " timeslot=" << e.timeslot << " code=" << e.code
               << " id=" << e.id;
}

// The IVA detector reports its codes from 256 up, the DTMF detector below.
bool FromIva(std::int32_t code) { return code >= 0x100; }

// The service that exists, if any: a receiver leaves its record even when
// it goes after the service.
TonecReceiverService* made = nullptr;

}  // namespace

// Joining the list does not make the service: the device is opened by the
// first request.
TonecReceiver::TonecReceiver() { receivers.AddToTail(&link); }

TonecReceiverService& TonecReceiverService::instance() {
    static TonecReceiverService service;
    return service;
}

// The device is left to the first request, so that a device that cannot be
// opened writes its one line for it.
TonecReceiverService::TonecReceiverService()
    : device(
          event, GetDTMFDevName(), O_RDONLY | O_NONBLOCK,
          "open tonec fail, DTMF proceeding disabled: ", "tonec", [this] { return Listening(); },
          [this](const OwedRequests::Key& key) { return Holds(key); }) {
    made = this;
    event.Bind<TonecReceiverService>("TonecReceiverService::OnEvent",
                                     &TonecReceiverService::OnEvent, this);
}

TonecReceiverService::~TonecReceiverService() { made = nullptr; }

bool TonecReceiverService::init() { return device.Open(); }

bool TonecReceiverService::Listening() const {
    for (const auto& [ts, t] : timeslots)
        for (const auto& [receiver, asked] : t.receivers)
            if (asked.dtmf || asked.iva) return true;
    return false;
}

void TonecReceiverService::Forget(const TonecReceiver& receiver) {
    if (made) ForgetReceiver(made->timeslots, receiver);
}

TonecReceiverService::Timeslot& TonecReceiverService::Record(const TonecReceiver& receiver) {
    return timeslots[receiver.tonec_timeslot()];
}

bool TonecReceiverService::Holds(const OwedRequests::Key& key) const {
    const auto h = held.find(key.where);
    if (h == held.end()) return false;
    switch (key.what) {
        case DtmfConfig:
            return bool(h->second.dtmfParams);
        case IvaConfig:
            return bool(h->second.ivaParams);
        case Generator:
            return !(h->second.played == Tone{0, 0, 0, 0});
        default:
            return key.what < 32 && h->second.on >> key.what & 1;
    }
}

std::function<void()> TonecReceiverService::Took(unsigned ts, Kind kind, bool on,
                                                 std::function<void()> done) {
    return [this, ts, kind, on, done = std::move(done)] {
        std::uint32_t& bits = held[ts].on;
        bits = on ? bits | 1u << kind : bits & ~(1u << kind);
        if (done) done();
    };
}

// A dial takes the generator for its length; else a cadence takes it for
// its length, from a steady tone.
std::pair<const TonecReceiver*, const TonecReceiverService::Asked*> TonecReceiverService::Player(
    const Timeslot& t) {
    std::pair<const TonecReceiver*, const Asked*> player{};
    auto order = [](const Sound& s) { return std::pair(s.step, s.since); };
    for (const auto& [receiver, asked] : t.receivers) {
        if (asked.dial == Dial::Plays) return {receiver, &asked};
        const std::optional<Sound>& sound = asked.sound.now;
        if (sound && (!player.second || order(*sound) > order(*player.second->sound.now)))
            player = {receiver, &asked};
    }
    return player;
}

// Walks the receivers themselves: the record holds them only as const.
bool TonecReceiverService::HandOver(unsigned ts) {
    TonecReceiver* next = nullptr;
    std::uint64_t asked = 0;
    for (auto it = receivers.begin(); it != receivers.end(); ++it) {
        TonecReceiver* receiver = Containers::offset(*it, &TonecReceiver::link);
        if (receiver->tonec_timeslot() != ts) continue;
        const Asked* a = FindAsked(timeslots, ts, receiver);
        if (a && a->dial == Dial::Waits && (!next || a->waits < asked))
            next = receiver, asked = a->waits;
    }
    if (!next) return false;
    Record(*next).receivers[next].dial = Dial::Plays;
    next->on_DTMFPauseFinish(&next->dialTimer);
    return true;
}

OwedRequests::Request TonecReceiverService::Configuration(const Tonec::ConfigureRecord& record) {
    const unsigned ts = record.timeslot;
    return device.Ioctl(Tonec::ConfigureDetector, record,
                        {At("DTMF_CONFIGURE_DETECTOR fail:", ts),
                         [this, record] {
                             held[record.timeslot].dtmfParams = record;
                             std::clog << "DTMF_CONFIGURE_DETECTOR"
                                       << " ts=" << record.timeslot << " twist=" << record.twist
                                       << " ratio=" << record.ratio << " noise=" << record.noise
                                       << " silence=" << record.silence << std::endl;
                         },
                         At("configure DTMF fail: (interface not opened)", ts)});
}

OwedRequests::Request TonecReceiverService::Configuration(const Tonec::IvaRecord& record) {
    const unsigned ts = record.timeslot;
    return device.Ioctl(Tonec::IvaConfigure, record,
                        {At("IVA_CONFIGURE_DETECTOR fail:", ts),
                         [this, record] {
                             held[record.timeslot].ivaParams = record;
                             std::clog << "IVA_CONFIGURE_DETECTOR"
                                       << " ts=" << record.timeslot
                                       << " det_lvl_dB=" << record.det_lvl_dB << std::endl;
                         },
                         At("configure IVA fail: (interface not opened)", ts)});
}

template <class Params>
bool TonecReceiverService::Configure(TonecReceiver& receiver,
                                     Kept<Configured<Params>> Asked::*asked,
                                     const Params& record) {
    auto& mine = Record(receiver).receivers[&receiver].*asked;
    const auto before = mine;
    mine.Ask(Configured<Params>{record, ++requests});
    const Outcome outcome =
        device.owed.Ask({record.timeslot, KindOf(record)}, Configuration(record), IfRefused::Drop);
    if (!outcome.taken())
        mine.Back(before, outcome.final(),
                  [&record](const Configured<Params>& c) { return Same(c.record, record); });
    return outcome.taken();
}

// The configuration sent back is its receiver's ask: refused as invalid, it
// leaves that receiver's record, and the one asked for last of what is left
// is sent instead.
template <class Params>
void TonecReceiverService::Settle(Timeslot& t, unsigned ts,
                                  Kept<Configured<Params>> Asked::*asked,
                                  std::optional<Params> Held::*took) {
    const auto [who, wanted] = Latest(t.receivers, [asked](const Asked& a) {
        return (a.*asked).now ? &*(a.*asked).now : nullptr;
    });
    const OwedRequests::Key key{ts, KindOf(Params{})};
    const std::optional<Params>& driver = held[ts].*took;
    if (!wanted || (driver && Same(*driver, wanted->record))) {
        device.owed.Forget(key);
        return;
    }
    OwedRequests::Request request = Configuration(wanted->record);
    request.then = [this, ts, who = who, asked, took, stamp = wanted->asked](const Outcome& outcome) {
        if (!outcome.dropped()) return;
        Asked* const mine = FindAsked(timeslots, ts, who);
        if (!mine) return;
        Kept<Configured<Params>>& kept = mine->*asked;
        if (!kept.now || kept.now->asked != stamp) return;
        const Params refused = kept.now->record;
        kept.Refused([&refused](const Configured<Params>& c) { return Same(c.record, refused); });
        Settle(timeslots.at(ts), ts, asked, took);
    };
    device.owed.Ask(key, std::move(request), IfRefused::Owe);
}

bool TonecReceiverService::configureDTMF(TonecReceiver& receiver, const LGCP::DTMFParams& params) {
    Tonec::ConfigureRecord record{};
    record.timeslot = receiver.tonec_timeslot();
    record.twist = params.get_threshold().get_twist().getValue();
    record.ratio = params.get_threshold().get_ratio().getValue();
    record.noise = params.get_threshold().get_noise().getValue();
    record.silence = params.get_level().get_silence().getValue();
    return Configure(receiver, &Asked::dtmfParams, record);
}

bool TonecReceiverService::configureIVA(TonecReceiver& receiver, const LGCP::IVAParams& params) {
    Tonec::IvaRecord record{};
    record.timeslot = receiver.tonec_timeslot();
    record.det_lvl_dB = params.get_det_lvl_dB().getValue();
    return Configure(receiver, &Asked::ivaParams, record);
}

// The timeslot's detector runs under one id: a receiver that finds it on
// through another one joins it, and leaves it on when it switches off. The
// driver keeps a detector that is on while the device is closed, so an
// enable that finds it on needs only the device open, to hear it.
// A switch-off owed at a destroy leaves the detector on in the driver for no
// receiver: the record no longer shows it on.
bool TonecReceiverService::enableDTMF(TonecReceiver& receiver, bool on, IfRefused refused) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    const bool shared = Other(t.receivers, mine, [](const Asked& a) { return a.dtmf; });
    const unsigned ts = receiver.tonec_timeslot();
    if (on && (mine.dtmf || shared)) {
        if (!device.Join({ts, DtmfDetector}, {At("DTMF_ENABLE_DETECTOR fail:", ts)})) return false;
        mine.dtmf = true;
        return true;
    }
    if (!on && (!mine.dtmf || shared)) {
        mine.dtmf = false;
        return true;
    }
    if (!on) {
        const bool taken =
            device
                .Ask({ts, DtmfDetector}, Tonec::DisableDetector, DriverDevice::Value{ts},
                     {At("DTMF_DISABLE_DETECTOR fail:", ts),
                      Took(ts, DtmfDetector, false,
                           Writes(std::cerr, At("DTMF_DISABLE_DETECTOR done:", ts)))},
                     refused)
                .taken();
        if (taken || refused != IfRefused::Drop) mine.dtmf = false;
        return taken;
    }
    const Tonec::EnableRecord record{ts, ids.Next()};
    const std::string id = " id=" + std::to_string(record.id);
    if (!device
             .Ask({ts, DtmfDetector}, Tonec::EnableDetector, record,
                  {At("DTMF_ENABLE_DETECTOR fail:", ts) + id,
                   Took(ts, DtmfDetector, true,
                        Writes(std::cerr, At("DTMF_ENABLE_DETECTOR done:", ts) + id))},
                  refused)
             .taken())
        return false;
    dtmfIds[ts] = record.id;
    mine.dtmf = true;
    return true;
}

bool TonecReceiverService::Switch(Kind kind, bool on, unsigned long request, unsigned ts,
                                  const char* word, const char* suffix, IfRefused refused) {
    const std::string words = std::string(word) + suffix;
    return device
        .Ask({ts, kind}, request, DriverDevice::Value{ts},
             {At(words + " fail:", ts),
              Took(ts, kind, on, Writes(std::clog, words + "[" + std::to_string(ts) + "] ok"))},
             refused)
        .taken();
}

bool TonecReceiverService::echoCancel(unsigned ts, bool on) {
    return Switch(EchoCanceller, on, on ? Tonec::LmsOn : Tonec::LmsOff, ts, "CHANNEL_LMS",
                  on ? "_ON" : "_OFF", IfRefused::Drop);
}

// Every request is sent, but a switch-off while another receiver on the
// timeslot uses the detector.
bool TonecReceiverService::SwitchDetector(TonecReceiver& receiver, bool Asked::*flag, Kind kind,
                                          unsigned long enable, unsigned long disable,
                                          const char* word, bool on, IfRefused refused) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    const bool shared = !on && Other(t.receivers, mine, [flag](const Asked& a) { return a.*flag; });
    const bool taken = shared || Switch(kind, on, on ? enable : disable, receiver.tonec_timeslot(),
                                        word, on ? "_ENABLE" : "_DISABLE", refused);
    if (taken || refused != IfRefused::Drop) mine.*flag = on;
    return taken;
}

bool TonecReceiverService::enableDTMFReject(TonecReceiver& receiver, bool on,
                                            IfRefused refused) {
    return SwitchDetector(receiver, &Asked::rejection, Rejection, Tonec::RejectionEnable,
                          Tonec::RejectionDisable, "DTMF_REJECTION", on, refused);
}

bool TonecReceiverService::enableIVA(TonecReceiver& receiver, bool on, IfRefused refused) {
    return SwitchDetector(receiver, &Asked::iva, IvaDetector, Tonec::IvaEnable, Tonec::IvaDisable,
                          "IVA_DETECTOR", on, refused);
}

// What a receiver plays is answered with success whatever the driver did,
// and the record follows the request: a generator that missed it would
// otherwise play on what the record says stopped, even after its slot. A
// dial or a cadence steps faster than anyone reads, and a step waits for a
// device that rests instead of opening it, only for the driver to fail
// again at once.
Outcome TonecReceiverService::Play(unsigned ts, const Tone& tone, bool step, IfRefused refused,
                                   std::function<void(const Outcome&)> then) {
    const OwedRequests::Key key{ts, Generator};
    const Tonec::DialRecord record{ts, tone.freq1, tone.freq2, tone.amp1, tone.amp2};
    OwedRequests::Request request =
        device.Ioctl(Tonec::Dial, record,
                     {At("DTMF_DIAL fail:", ts), [this, ts, tone] { held[ts].played = tone; }});
    request.then = std::move(then);
    if (step && device.Resting()) return device.owed.Owe(key, std::move(request), refused);
    return device.owed.Ask(key, std::move(request), refused);
}

// A step continuing the receiver's dial or cadence keeps its start. While
// another receiver keeps the generator, the sound waits for it. A request
// that is no step ends the receiver's dial, whose generator goes to the dial
// waiting next.
bool TonecReceiverService::enableToneGenerator(TonecReceiver& receiver, const Tone& tone,
                                               bool step, StepDone stepDone) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    // Nothing of a dial that waits reaches the generator.
    if (step && mine.dial == Dial::Waits) return true;
    const Asked* before = Player(t).second;
    const bool givesBack = !step && mine.dial == Dial::Plays;
    if (!step) mine.dial = Dial::None;
    const Kept<Sound> asked = mine.sound;
    std::optional<Sound>& sound = mine.sound.now;
    if (tone == Tone{0, 0, 0, 0}) {
        mine.sound = {};
    } else if (step) {
        const bool continues = sound && sound->step;
        mine.sound = {Sound{tone, true, continues ? sound->since : ++requests}, std::nullopt};
    } else {
        mine.sound.Ask(Sound{tone, false, ++requests});
        // Only a steady tone is one to go back to.
        if (mine.sound.before && mine.sound.before->step) mine.sound.before.reset();
    }
    if (givesBack && HandOver(receiver.tonec_timeslot())) return true;
    const Asked* after = Player(t).second;
    if (after && after != &mine && after == before) return true;
    if (after != &mine || !sound) return Settle(receiver.tonec_timeslot(), true).taken();
    return Play(receiver.tonec_timeslot(), sound->tone, step, IfRefused::Owe,
                Followed(receiver, asked, sound->since, std::move(stepDone)))
        .taken();
}

// Silence, or the other's sound given back, undoes what the generator
// played; the other's sound is its ask, and leaves its record when the
// driver refuses it for good.
Outcome TonecReceiverService::Settle(unsigned ts, bool changed) {
    const auto t = timeslots.find(ts);
    const auto [who, player] =
        t == timeslots.end() ? std::pair<const TonecReceiver*, const Asked*>{} : Player(t->second);
    const Sound* sound = player && player->sound.now ? &*player->sound.now : nullptr;
    const Tone tone = sound ? sound->tone : Tone{0, 0, 0, 0};
    if (!changed && held[ts].played == tone) {
        device.owed.Forget({ts, Generator});
        return {};
    }
    if (!sound) return Play(ts, tone, false, IfRefused::Undo, nullptr);
    return Play(ts, tone, false, IfRefused::Owe,
                Followed(*who, player->sound, sound->since, nullptr));
}

// Taken only while the record still holds this sound: a later request has
// replaced it otherwise. What the key owed when a sound the board will
// never hold was sent may be the leftover of a state gone since (a gone
// dial's pause): the generator is brought to what the records hold, and
// owes nothing where the driver holds that already.
std::function<void(const Outcome&)> TonecReceiverService::Followed(const TonecReceiver& receiver,
                                                                   Kept<Sound> back,
                                                                   std::uint64_t since,
                                                                   StepDone stepDone) {
    const unsigned ts = receiver.tonec_timeslot();
    return [this, ts, who = &receiver, back = std::move(back), since,
            stepDone = std::move(stepDone)](const Outcome& outcome) {
        Asked* const asked = FindAsked(timeslots, ts, who);
        if (!asked || !asked->sound.now || asked->sound.now->since != since) return;
        if (stepDone) {
            if (asked->dial == Dial::Plays) stepDone(outcome);
            return;
        }
        if (!outcome.dropped()) return;
        const Tone refused = asked->sound.now->tone;
        asked->sound.Back(back, outcome.final(),
                          [&refused](const Sound& s) { return s.tone == refused; });
        Settle(ts, false);
    };
}

// A dial waits while another one plays, not behind one that only waits: a
// dial whose receiver went without its clean-up never hands over, and the
// next dial that plays does it instead.
bool TonecReceiverService::BeginDial(TonecReceiver& receiver) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    const bool waits = Other(t.receivers, mine, [](const Asked& a) { return a.dial == Dial::Plays; });
    if (!waits) {
        mine.dial = Dial::Plays;
        return true;
    }
    // The playing dial holds the generator, so what the receiver gives up
    // was not heard: nothing is sent.
    mine.dial = Dial::Waits;
    mine.sound = {};
    mine.waits = ++requests;
    return false;
}

void TonecReceiverService::RetryStep(const TonecReceiver& receiver) {
    device.owed.Retry({receiver.tonec_timeslot(), Generator});
}

void TonecReceiverService::translateSelcal(TonecReceiver& receiver,
                                           const TERM::SelcalCommand& command) {
    unsigned ts = receiver.tonec_timeslot();
    const std::string& signs = command.get_signs();
    if (signs.size() < sizeof(Tonec::SelcalRecord::signs)) {
        std::cerr << "SELCAL_DIAL fail:"
                  << " timeslot=" << ts << " incorect signs:" << signs << std::endl;
        return;
    }
    Tonec::SelcalRecord record{};
    record.timeslot = ts;
    record.amplitude =
        command.amp_isPresent() ? static_cast<std::uint16_t>(command.get_amp().getValue()) : 12000;
    std::memcpy(record.signs, signs.data(), sizeof record.signs);
    device.Ask({ts, Selcal}, Tonec::SelcalDial, record, {At("SELCAL_DIAL fail:", ts)},
               IfRefused::Drop);
}

// Configurations have no undo: the other's own come back, as its ask, where
// the driver holds these. What the driver refuses of the clean-up, or misses
// for want of the device, is owed.
void TonecReceiverService::CleanBeforeDestroy(TonecReceiver& receiver) {
    const unsigned ts = receiver.tonec_timeslot();
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    if (mine.dtmf) enableDTMF(receiver, false, IfRefused::Undo);
    if (mine.iva) enableIVA(receiver, false, IfRefused::Undo);
    if (mine.rejection) enableDTMFReject(receiver, false, IfRefused::Undo);
    if (mine.sound.now || mine.dial != Dial::None) receiver.disableToneGenerator(true);
    if (mine.dtmfParams.now) {
        mine.dtmfParams = {};
        Settle(t, ts, &Asked::dtmfParams, &Held::dtmfParams);
    }
    if (mine.ivaParams.now) {
        mine.ivaParams = {};
        Settle(t, ts, &Asked::ivaParams, &Held::ivaParams);
    }
}

void TonecReceiverService::OnEvent(int fd, short revents) {
    device.Read(fd, revents, sizeof(Tonec::EventRecord),
                [this](const void* record) { Dispatch(record); });
}

// The walk only chooses, in the order the receivers were made. A callback
// may destroy any receiver, so each listener after the first is called only
// while the record still shows it listening.
void TonecReceiverService::Dispatch(const void* data) {
    Tonec::EventRecord e;
    std::memcpy(&e, data, sizeof e);
    std::clog << "dtmf event: " << e << std::endl;
    auto asked = [&](const TonecReceiver& receiver) {
        return FindAsked(timeslots, e.timeslot, &receiver);
    };
    auto detects = [&](const TonecReceiver& receiver) {
        const Asked* a = asked(receiver);
        return a && (FromIva(e.code) ? a->iva : a->dtmf);
    };
    std::vector<TonecReceiver*> present;
    for (auto it = receivers.begin(); it != receivers.end(); ++it) {
        TonecReceiver* receiver = Containers::offset(*it, &TonecReceiver::link);
        if (receiver->tonec_timeslot() == e.timeslot) present.push_back(receiver);
    }
    // A detector whose switch-off is owed made the code for a receiver gone.
    const bool orphan =
        device.owed.Owes({e.timeslot, FromIva(e.code) ? IvaDetector : DtmfDetector});
    if (present.empty() && !orphan) {
        std::cerr << "receive tonec event from unknown timeslot " << e.timeslot << std::endl;
        return;
    }
    // A code no detector made (one still in flight after a switch-off) goes
    // to every receiver with DTMF or IVA on, as it would to each alone.
    const bool made = orphan || std::any_of(present.begin(), present.end(),
                                            [&](const TonecReceiver* r) { return detects(*r); });
    auto listens = [&](const TonecReceiver& receiver) {
        const Asked* a = asked(receiver);
        return made ? detects(receiver) : a && (a->dtmf || a->iva);
    };
    std::vector<TonecReceiver*> listeners;
    std::copy_if(present.begin(), present.end(), std::back_inserter(listeners),
                 [&](const TonecReceiver* r) { return listens(*r); });
    if (listeners.empty()) {
        std::clog << "ignore spurious dtmf event (DTMF disabled): " << e << std::endl;
        return;
    }
    const auto latest = dtmfIds.find(e.timeslot);
    const std::uint32_t current = latest == dtmfIds.end() ? 0 : latest->second;
    if (current != e.id) {
        std::clog << "ignore spurious dtmf event: " << e << " rid=" << current << std::endl;
        return;
    }
    for (std::size_t i = 0; i < listeners.size(); ++i)
        if (!i || listens(*listeners[i]))
            listeners[i]->tonec_event(TonecReceiver::Params{e.code, e.timestamp});
}

}  // namespace Hardware
