// The tone driver ("/dev/dtmf") as the daemon's one client of it. Opened by
// the first request; no request goes to it while it is not open: each opens
// it first, and is refused when it cannot (a configure call with its
// "(interface not opened)" line). A driver given up after a failed read or a
// hang-up is opened again without waiting for a request while a receiver has
// DTMF or IVA on, since the driver keeps its detectors (DriverDevice).
// What the driver refuses, or misses for want of the device, follows the
// owed requests' rules (OwedRequests): a configure or a switch refused is
// answered so and not applied; what a receiver plays is owed until the
// driver takes it, or refuses it as invalid, which puts the receiver's
// record back as it was; what undoes something (a destroy's switch-offs,
// the generator stopped) is owed whatever the error while the driver holds
// what it undoes, as the service's record of what the driver took tells. A
// receiver's value sent again for it (its tone given back, its configuration
// sent back) is its ask: refused as invalid, it leaves its record, which goes
// back one step (Kept). A detector whose switch-off is owed is still on in
// the driver: its detections reach no receiver.
//
// The driver keeps one detector of each kind, one configuration of each and
// one generator per timeslot, and two receivers may share a timeslot (the
// halves of a conference leg). So the service keeps, per timeslot, one record
// of what each receiver on it asked for (each detector, each configuration,
// what it plays on the generator) and derives every request from it in one
// place:
// - a detector runs while any receiver on the timeslot wants it: a DTMF
//   enable finding it on joins it, a switch-off leaves it to the other;
// - the driver holds the configuration asked for last; when its receiver
//   goes, the other's own is sent again where it differs;
// - a dial holds the generator from its first digit to its last pause; a
//   dial asked for meanwhile waits, and starts when the generator is given
//   back (the dial ends, is stopped, or its receiver goes), so dials play
//   whole, one after the other; each step reaches the driver in order or
//   not at all: the receiver paces the next from the outcome of the last;
// - with no dial playing, the generator plays the cadence started last,
//   else the steady tone asked for last, else nothing: a request that
//   changes none of that sends nothing, and when a dial ends or its
//   receiver stops playing, the other's tone plays again;
// - a detection goes to every receiver whose detector (DTMF below code 256,
//   IVA from it up) made it, when it carries the id of the timeslot's latest
//   DTMF enable, by any receiver; with none, to every receiver on the
//   timeslot with DTMF or IVA on, so the order the receivers were made in
//   changes nothing, and with none of those it is dropped.
// With one receiver on a timeslot, every request is sent as asked.
#pragma once

#include "hardware/DriverDevice.h"
#include "hardware/ReceiverRecords.h"
#include "hardware/RequestIds.h"
#include "hardware/TonecDriver.h"
#include "runtime/Event.h"
#include "schema/LGCP.h"
#include "schema/TERM.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace Hardware {

class TonecReceiver;

class TonecReceiverService {
public:
    // What one receiver plays on the generator, frequencies in Hz.
    struct Tone {
        std::uint16_t freq1, freq2, amp1, amp2;
        friend bool operator==(const Tone& a, const Tone& b) {
            return a.freq1 == b.freq1 && a.freq2 == b.freq2 && a.amp1 == b.amp1 && a.amp2 == b.amp2;
        }
    };

    static TonecReceiverService& instance();
    TonecReceiverService(const TonecReceiverService&) = delete;
    TonecReceiverService& operator=(const TonecReceiverService&) = delete;
    ~TonecReceiverService();

    // Opens the device unless it is open; false when it cannot be opened.
    bool init();

    bool configureDTMF(TonecReceiver& receiver, const LGCP::DTMFParams& params);
    bool configureIVA(TonecReceiver& receiver, const LGCP::IVAParams& params);
    using IfRefused = OwedRequests::IfRefused;
    // The controller's switches are not applied when refused; a destroy's
    // clean-up owes what the driver refuses of it.
    bool enableDTMF(TonecReceiver& receiver, bool on, IfRefused refused = IfRefused::Drop);
    bool echoCancel(unsigned ts, bool on);
    bool enableDTMFReject(TonecReceiver& receiver, bool on, IfRefused refused = IfRefused::Drop);
    bool enableIVA(TonecReceiver& receiver, bool on, IfRefused refused = IfRefused::Drop);
    // What becomes of a step of a dial: called with its outcome at once, and
    // again at each retry while it is owed, as long as the dial plays it.
    using StepDone = std::function<void(const Outcome&)>;
    // A step of the receiver's dial or cadence, or a steady tone; all zero
    // plays nothing. stepDone hears what becomes of a dial's step.
    bool enableToneGenerator(TonecReceiver& receiver, const Tone& tone, bool step,
                             StepDone stepDone = nullptr);
    // The receiver's dial starts: true when it may play now, false when it
    // waits for another receiver's dial, which hands the generator over to
    // it (its first step is taken from there). What the receiver played
    // before gives way to the dial either way.
    bool BeginDial(TonecReceiver& receiver);
    // The receiver's dial step, held at its bound, tried once more now: its
    // outcome goes to the step's StepDone, as a retry's does.
    void RetryStep(const TonecReceiver& receiver);
    void translateSelcal(TonecReceiver& receiver, const TERM::SelcalCommand& command);
    void CleanBeforeDestroy(TonecReceiver& receiver);

    // The receiver is gone: it leaves the record, and nothing is sent.
    static void Forget(const TonecReceiver& receiver);

    void OnEvent(int fd, short revents);

private:
    TonecReceiverService();

    // What the driver keeps one of per timeslot: the owed requests' keys.
    enum Kind : std::uint32_t {
        DtmfDetector = 1,
        IvaDetector,
        Rejection,
        EchoCanceller,
        DtmfConfig,
        IvaConfig,
        Generator,
        Selcal
    };

    template <class Params>
    struct Configured {
        Params record;
        std::uint64_t asked;  // orders the requests of a timeslot
    };
    // What one receiver plays: a steady tone, or a step of its dial or
    // cadence, which keeps the time the dial or cadence started.
    struct Sound {
        Tone tone;
        bool step = false;
        std::uint64_t since = 0;
    };
    enum class Dial { None, Waits, Plays };
    // What one receiver asked for.
    struct Asked {
        bool dtmf = false;
        bool iva = false;
        bool rejection = false;
        Kept<Configured<Tonec::ConfigureRecord>> dtmfParams;
        Kept<Configured<Tonec::IvaRecord>> ivaParams;
        // What it plays, and the steady sound it played before.
        Kept<Sound> sound;
        std::uint64_t waits = 0;  // for a dial that waits, when it was asked for
        Dial dial = Dial::None;
    };
    struct Timeslot {
        std::map<const TonecReceiver*, Asked> receivers;
    };
    // What the driver took on a timeslot. It outlives the receivers that
    // asked for it: the driver keeps it until something undoes it.
    struct Held {
        // A bit for each kind on: the detectors, the rejection.
        std::uint32_t on = 0;
        // What the generator plays: all 0 for nothing.
        Tone played{0, 0, 0, 0};
        std::optional<Tonec::ConfigureRecord> dtmfParams;
        std::optional<Tonec::IvaRecord> ivaParams;
    };

    Timeslot& Record(const TonecReceiver& receiver);
    // Whether the driver holds something for the key: what an undo of it
    // would remove.
    bool Holds(const OwedRequests::Key& key) const;
    // What a request's success does: notes that the driver took the kind on
    // ts on or off, then done, where there is one.
    std::function<void()> Took(unsigned ts, Kind kind, bool on, std::function<void()> done);
    // Whose sound the generator plays, or null; a dial's may be none.
    static std::pair<const TonecReceiver*, const Asked*> Player(const Timeslot& t);
    // The dial that has waited longest on ts takes the generator and plays
    // its first step; false when no dial waits there.
    bool HandOver(unsigned ts);

    // Some receiver waits for detections: it has DTMF or IVA on.
    bool Listening() const;
    // A request that carries only the timeslot, logged with its word and suffix.
    bool Switch(Kind kind, bool on, unsigned long request, unsigned ts, const char* word,
                const char* suffix, IfRefused refused);
    // Rejection or IVA: the switch and the receiver's record of it.
    bool SwitchDetector(TonecReceiver& receiver, bool Asked::*flag, Kind kind, unsigned long enable,
                        unsigned long disable, const char* word, bool on, IfRefused refused);
    // Request 5 on ts; step tells a step of a dial or a cadence, which their
    // timers pace. then runs once its outcome is noted, at once or at a
    // retry.
    Outcome Play(unsigned ts, const Tone& tone, bool step, IfRefused refused,
                 std::function<void(const Outcome&)> then);
    // The generator plays what the records hold: the player's sound, asked
    // for its receiver, or nothing; sent once the player changed, or where
    // the driver holds something else. Where it holds that, nothing is owed.
    Outcome Settle(unsigned ts, bool changed);
    // What follows the receiver's sound sent as its ask (its own, or given
    // back to it), while the record still holds it: a step of its dial is
    // told to stepDone; a sound the board will never hold leaves the
    // record, which goes back to back (what it held before its own ask, or
    // what it holds), so nothing sends it later, and the generator plays
    // what the records then hold.
    std::function<void(const Outcome&)> Followed(const TonecReceiver& receiver, Kept<Sound> back,
                                                 std::uint64_t since, StepDone stepDone);
    // A configure request as the owed requests keep it; taken, the
    // timeslot's record holds what the driver holds.
    OwedRequests::Request Configuration(const Tonec::ConfigureRecord& record);
    OwedRequests::Request Configuration(const Tonec::IvaRecord& record);
    static Kind KindOf(const Tonec::ConfigureRecord&) { return DtmfConfig; }
    static Kind KindOf(const Tonec::IvaRecord&) { return IvaConfig; }
    // A receiver's configure call: not applied when refused, so the record
    // keeps what the driver last took of the receiver.
    template <class Params>
    bool Configure(TonecReceiver& receiver, Kept<Configured<Params>> Asked::*asked,
                   const Params& record);
    // Sends the configuration asked for last on ts, as its receiver's ask,
    // unless the driver holds it. One that no receiver there holds has no
    // undo: nothing is owed.
    template <class Params>
    void Settle(Timeslot& t, unsigned ts, Kept<Configured<Params>> Asked::*asked,
                std::optional<Params> Held::*took);
    void Dispatch(const void* record);

    Event event;
    DriverDevice device;
    RequestIds ids;
    std::uint64_t requests = 0;
    std::map<unsigned, Timeslot> timeslots;
    std::map<unsigned, Held> held;
    // By timeslot, the id of its latest DTMF enable, which the driver tags
    // every detection with, whichever receiver sent it and whether it is
    // still there.
    std::map<unsigned, std::uint32_t> dtmfIds;
};

}  // namespace Hardware
