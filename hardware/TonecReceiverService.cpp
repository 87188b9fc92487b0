#include "hardware/TonecReceiverService.h"

#include "hardware/DevNames.h"
#include "hardware/DriverEvents.h"
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

// Holds, in the record, what a receiver that went had on while the device
// could not be opened, until its clean-up can reach the driver. It hears
// nothing: the device is open only once its clean-up is due.
class TonecReceiverService::StandIn final : public TonecReceiver {
public:
    explicit StandIn(unsigned ts) : ts(ts) {}
    void tonec_event(const Params&) override {}
    unsigned tonec_timeslot() const override { return ts; }

private:
    const unsigned ts;
};

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
    : device(event, GetDTMFDevName(), O_RDONLY | O_NONBLOCK,
             "open tonec fail, DTMF proceeding disabled: ", "tonec",
             [this] {
                 return Listening() || !standIns.empty() || !unplayed.empty() ||
                        !unconfigured.empty();
             },
             [this] { Restore(); }) {
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

// A dial takes the generator for its length; else a cadence takes it for
// its length, from a steady tone.
const TonecReceiverService::Asked* TonecReceiverService::Player(const Timeslot& t) {
    const Asked* player = nullptr;
    for (const auto& [receiver, asked] : t.receivers) {
        if (asked.dial == Dial::Plays) return &asked;
        if (asked.sound && (!player || std::pair(asked.step, asked.since) >
                                           std::pair(player->step, player->since)))
            player = &asked;
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
        const Asked* a = FindAsked(timeslots, ts, *receiver);
        if (a && a->dial == Dial::Waits && (!next || a->since < asked))
            next = receiver, asked = a->since;
    }
    if (!next) return false;
    Record(*next).receivers[next].dial = Dial::Plays;
    next->on_DTMFPauseFinish(&next->dialTimer);
    return true;
}

bool TonecReceiverService::Miss(unsigned ts) {
    unconfigured.insert(ts);
    device.Await();
    return false;
}

bool TonecReceiverService::Send(Timeslot& t, const Tonec::ConfigureRecord& sent) {
    Tonec::ConfigureRecord record = sent;
    if (device.Request(Tonec::ConfigureDetector, &record, [&](std::ostream& out) {
            out << "DTMF_CONFIGURE_DETECTOR fail:"
                << " timeslot=" << record.timeslot;
        }) == -1)
        return Miss(sent.timeslot);
    t.dtmfParams = sent;
    std::clog << "DTMF_CONFIGURE_DETECTOR"
              << " ts=" << record.timeslot << " twist=" << record.twist << " ratio=" << record.ratio
              << " noise=" << record.noise << " silence=" << record.silence << std::endl;
    return true;
}

bool TonecReceiverService::Send(Timeslot& t, const Tonec::IvaRecord& sent) {
    Tonec::IvaRecord record = sent;
    if (device.Request(Tonec::IvaConfigure, &record, [&](std::ostream& out) {
            out << "IVA_CONFIGURE_DETECTOR fail:"
                << " timeslot=" << record.timeslot;
        }) == -1)
        return Miss(sent.timeslot);
    t.ivaParams = sent;
    std::clog << "IVA_CONFIGURE_DETECTOR"
              << " ts=" << record.timeslot << " det_lvl_dB=" << record.det_lvl_dB << std::endl;
    return true;
}

template <class Params>
void TonecReceiverService::Settle(Timeslot& t, std::optional<Configured<Params>> Asked::*asked,
                                  std::optional<Params> Timeslot::*held) {
    const Configured<Params>* wanted =
        Latest(t.receivers, [asked](const Asked& a) { return a.*asked ? &*(a.*asked) : nullptr; });
    if (wanted && (!(t.*held) || !Same(*(t.*held), wanted->record))) Send(t, wanted->record);
}

bool TonecReceiverService::configureDTMF(TonecReceiver& receiver, const LGCP::DTMFParams& params) {
    const unsigned ts = receiver.tonec_timeslot();
    if (!device.OpenedFor("configure DTMF fail: (interface not opened)", ts)) return false;
    Tonec::ConfigureRecord record{};
    record.timeslot = ts;
    record.twist = params.get_threshold().get_twist().getValue();
    record.ratio = params.get_threshold().get_ratio().getValue();
    record.noise = params.get_threshold().get_noise().getValue();
    record.silence = params.get_level().get_silence().getValue();
    Timeslot& t = Record(receiver);
    t.receivers[&receiver].dtmfParams = Configured<Tonec::ConfigureRecord>{record, ++requests};
    return Send(t, record);
}

bool TonecReceiverService::configureIVA(TonecReceiver& receiver, const LGCP::IVAParams& params) {
    const unsigned ts = receiver.tonec_timeslot();
    if (!device.OpenedFor("configure IVA fail: (interface not opened)", ts)) return false;
    Tonec::IvaRecord record{};
    record.timeslot = ts;
    record.det_lvl_dB = params.get_det_lvl_dB().getValue();
    Timeslot& t = Record(receiver);
    t.receivers[&receiver].ivaParams = Configured<Tonec::IvaRecord>{record, ++requests};
    return Send(t, record);
}

// The timeslot's detector runs under one id: a receiver that finds it on
// through another one joins it, and leaves it on when it switches off. The
// driver keeps a detector that is on while the device is closed, so an
// enable that finds it on needs only the device open, to hear it.
bool TonecReceiverService::enableDTMF(TonecReceiver& receiver, bool on) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    const bool shared = Other(t.receivers, mine, [](const Asked& a) { return a.dtmf; });
    if (on && (mine.dtmf || shared)) {
        if (!init()) return false;
        mine.dtmf = true;
        return true;
    }
    if (!on && (!mine.dtmf || shared)) {
        mine.dtmf = false;
        return true;
    }
    const unsigned ts = receiver.tonec_timeslot();
    if (!on) {
        if (device.RequestValue(Tonec::DisableDetector, ts, [ts](std::ostream& out) {
                out << "DTMF_DISABLE_DETECTOR fail:"
                    << " timeslot=" << ts;
            }) == -1)
            return false;
        mine.dtmf = false;
        std::cerr << "DTMF_DISABLE_DETECTOR done:"
                  << " timeslot=" << ts << std::endl;
        return true;
    }
    Tonec::EnableRecord record{};
    record.timeslot = ts;
    record.id = ids.Next();
    if (device.Request(Tonec::EnableDetector, &record, [&](std::ostream& out) {
            out << "DTMF_ENABLE_DETECTOR fail:"
                << " timeslot=" << ts << " id=" << record.id;
        }) == -1)
        return false;
    dtmfIds[ts] = record.id;
    mine.dtmf = true;
    std::cerr << "DTMF_ENABLE_DETECTOR done:"
              << " timeslot=" << ts << " id=" << record.id << std::endl;
    return true;
}

bool TonecReceiverService::Switch(unsigned long request, unsigned ts, const char* word,
                                  const char* suffix) {
    if (device.RequestValue(request, ts, [&](std::ostream& out) {
            out << word << suffix << " fail:"
                << " timeslot=" << ts;
        }) == -1)
        return false;
    std::clog << word << suffix << "[" << ts << "] ok" << std::endl;
    return true;
}

bool TonecReceiverService::echoCancel(unsigned ts, bool on) {
    return Switch(on ? Tonec::LmsOn : Tonec::LmsOff, ts, "CHANNEL_LMS", on ? "_ON" : "_OFF");
}

// Every request is sent, but a switch-off while another receiver on the
// timeslot uses the detector.
bool TonecReceiverService::SwitchDetector(TonecReceiver& receiver, bool Asked::*flag,
                                          unsigned long enable, unsigned long disable,
                                          const char* word, bool on) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    const bool shared = !on && Other(t.receivers, mine, [flag](const Asked& a) { return a.*flag; });
    if (!shared && !Switch(on ? enable : disable, receiver.tonec_timeslot(), word,
                           on ? "_ENABLE" : "_DISABLE"))
        return false;
    mine.*flag = on;
    return true;
}

bool TonecReceiverService::enableDTMFReject(TonecReceiver& receiver, bool on) {
    return SwitchDetector(receiver, &Asked::rejection, Tonec::RejectionEnable,
                          Tonec::RejectionDisable, "DTMF_REJECTION", on);
}

bool TonecReceiverService::enableIVA(TonecReceiver& receiver, bool on) {
    return SwitchDetector(receiver, &Asked::iva, Tonec::IvaEnable, Tonec::IvaDisable,
                          "IVA_DETECTOR", on);
}

// A dial or a cadence steps faster than anyone reads: a generator that owes
// its request already writes a refusal at most once a second, and a step
// waits for a device that rests (DriverDevice::Resting) instead of opening
// it, only for the driver to fail again at once.
bool TonecReceiverService::Play(unsigned ts, const Tone& tone, bool step) {
    if (step && device.Resting()) {
        unplayed.insert(ts);
        return false;
    }
    Tonec::DialRecord record{ts, tone.freq1, tone.freq2, tone.amp1, tone.amp2};
    const bool due = replays.Due();
    DriverDevice::Line fail;
    if (due || !unplayed.count(ts))
        fail = [ts](std::ostream& out) {
            out << "DTMF_DIAL fail:"
                << " timeslot=" << ts;
        };
    if (device.Request(Tonec::Dial, &record, fail) == -1) {
        unplayed.insert(ts);
        device.Await();
        return false;
    }
    unplayed.erase(ts);
    return true;
}

// A step continuing the receiver's dial or cadence keeps its start. While
// another receiver keeps the generator, the sound waits for it. A request
// that is no step ends the receiver's dial, whose generator goes to the dial
// waiting next.
bool TonecReceiverService::enableToneGenerator(TonecReceiver& receiver, const Tone& tone,
                                               bool step) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    // Nothing of a dial that waits reaches the generator.
    if (step && mine.dial == Dial::Waits) return true;
    const Asked* before = Player(t);
    const bool givesBack = !step && mine.dial == Dial::Plays;
    if (!step) mine.dial = Dial::None;
    const bool continues = step && mine.sound && mine.step;
    if (tone.freq1 == 0 && tone.freq2 == 0 && tone.amp1 == 0 && tone.amp2 == 0) {
        mine.sound.reset();
    } else {
        mine.sound = tone;
        mine.step = step;
        if (!continues) mine.since = ++requests;
    }
    if (givesBack && HandOver(receiver.tonec_timeslot())) return true;
    const Asked* after = Player(t);
    if (after && after != &mine && after == before) return true;
    return Play(receiver.tonec_timeslot(),
                after && after->sound ? *after->sound : Tone{0, 0, 0, 0}, step);
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
    mine.sound.reset();
    mine.since = ++requests;
    return false;
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
    device.Request(Tonec::SelcalDial, &record, [ts](std::ostream& out) {
        out << "SELCAL_DIAL fail:"
            << " timeslot=" << ts;
    });
}

// Configurations have no undo: the other's own come back where the driver
// holds these. Without the device, the driver keeps what the receiver had
// on: a stand-in takes its place in the record until the device is back.
void TonecReceiverService::CleanBeforeDestroy(TonecReceiver& receiver) {
    Timeslot& t = Record(receiver);
    Asked& mine = t.receivers[&receiver];
    const bool holds = mine.dtmf || mine.iva || mine.rejection || mine.sound ||
                       mine.dial != Dial::None || mine.dtmfParams || mine.ivaParams;
    if (holds && !init()) {
        // The sound the receiver leaves to the stand-in may change which one
        // the record says the generator plays, unheard by the driver: the
        // generator gets the record's once the device is back.
        if (mine.sound || mine.dial != Dial::None) unplayed.insert(receiver.tonec_timeslot());
        LeaveStandIn(standIns, t.receivers, receiver, receiver.tonec_timeslot(), Absorb);
        device.Await();
        return;
    }
    if (mine.dtmf) enableDTMF(receiver, false);
    if (mine.iva) enableIVA(receiver, false);
    if (mine.rejection) enableDTMFReject(receiver, false);
    if (mine.sound || mine.dial != Dial::None) receiver.disableToneGenerator(true);
    if (mine.dtmfParams) {
        mine.dtmfParams.reset();
        Settle(t, &Asked::dtmfParams, &Timeslot::dtmfParams);
    }
    if (mine.ivaParams) {
        mine.ivaParams.reset();
        Settle(t, &Asked::ivaParams, &Timeslot::ivaParams);
    }
    // A switch-off the driver refused leaves its detector running there: a
    // stand-in keeps just that in the record, so the detector's events reach
    // no later receiver that did not ask for them, and asks again.
    if (mine.dtmf || mine.iva || mine.rejection) {
        Asked refused;
        refused.dtmf = mine.dtmf;
        refused.iva = mine.iva;
        refused.rejection = mine.rejection;
        mine = refused;
        LeaveStandIn(standIns, t.receivers, receiver, receiver.tonec_timeslot(), Absorb);
        device.Await();
    }
}

// Of two sounds the later counts, and a dial that plays holds the generator
// until the clean-up gives it back.
void TonecReceiverService::Absorb(Asked& into, const Asked& gone) {
    into.dtmf = into.dtmf || gone.dtmf;
    into.iva = into.iva || gone.iva;
    into.rejection = into.rejection || gone.rejection;
    if (gone.dtmfParams) into.dtmfParams = gone.dtmfParams;
    if (gone.ivaParams) into.ivaParams = gone.ivaParams;
    if (gone.sound && (!into.sound || gone.since > into.since)) {
        into.sound = gone.sound;
        into.step = gone.step;
        into.since = gone.since;
    }
    into.dial = std::max(into.dial, gone.dial);
}

// A stand-in whose clean-up finds the device gone again leaves another; a
// configuration or a generator that misses its request again is owed again.
// A timeslot no receiver is left on owes no configuration: it has no undo.
void TonecReceiverService::Restore() {
    std::set<unsigned> unsettled;
    unsettled.swap(unconfigured);
    std::map<unsigned, std::unique_ptr<StandIn>> gone;
    gone.swap(standIns);
    for (const auto& [ts, standIn] : gone) CleanBeforeDestroy(*standIn);
    for (unsigned ts : unsettled) {
        const auto t = timeslots.find(ts);
        if (t == timeslots.end() || unconfigured.count(ts)) continue;
        Settle(t->second, &Asked::dtmfParams, &Timeslot::dtmfParams);
        Settle(t->second, &Asked::ivaParams, &Timeslot::ivaParams);
    }
    std::set<unsigned> missed;
    missed.swap(unplayed);
    for (unsigned ts : missed) {
        const auto t = timeslots.find(ts);
        const Asked* player = t == timeslots.end() ? nullptr : Player(t->second);
        Play(ts, player && player->sound ? *player->sound : Tone{0, 0, 0, 0});
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
        return FindAsked(timeslots, e.timeslot, receiver);
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
    if (present.empty()) {
        std::cerr << "receive tonec event from unknown timeslot " << e.timeslot << std::endl;
        return;
    }
    // A code no detector made (one still in flight after a switch-off) goes
    // to every receiver with DTMF or IVA on, as it would to each alone.
    const bool made = std::any_of(present.begin(), present.end(),
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
