// The voice-processing driver ("/dev/dsp") as the daemon's one client of it.
// Opened by the first request; no request goes to it while it is not open:
// each opens it first, and is refused when it cannot (a configure call with
// its "(interface not opened)" line). A driver given up after a failed read
// or a hang-up is opened again without waiting for a request while a
// receiver has VAD, SD, BSS or a tone filter on, since the driver keeps them
// (DriverDevice). What the driver refuses, or misses for want of the
// device, follows the owed requests' rules (OwedRequests): a switch, or a
// VAD or SD configure, refused is answered so and not applied; delays, gain
// and tone filters, which are answered with success, are owed until the
// driver takes them or refuses them as invalid, which puts the receiver's
// record back as it was; what undoes something (the signal detector a slot
// gives up, a reset to 0, a filter off, what a destroy switches off) is owed
// whatever the error while the driver holds what it undoes, as the
// service's record of what the driver took tells. The other receiver's
// settings sent back are its asks: refused as invalid, each leaves its
// record, which goes back one step (Kept). A feature whose switch-off is
// owed is still on in the driver: its events reach no receiver. Event traces
// are written under the "signalling.events" trace switch.
//
// The driver keeps one set of features per timeslot, and two receivers may
// share a timeslot (the halves of a conference leg). So the service keeps,
// per timeslot, one record of what each receiver on it asked for (every
// switch with its id, every configuration with its parameters) and derives
// every request from it in one place:
// - a feature runs while any receiver on the timeslot wants it: a switch-on
//   finding it on takes the running id, a switch-off or a reset (a filter
//   off, delays or gain back to 0, a destroy) leaves it to the other;
// - the driver holds the parameters asked for last; when their receiver
//   gives them up, the other's own are sent again where they differ;
// - an event goes to every receiver whose feature made it (VAD and the
//   flags to VAD, SD, BSS, a tone filter to the frequency's), VAD and SD
//   under the id of the running enable; with none, to the first receiver on
//   the timeslot, which tells why it is dropped.
// With one receiver on a timeslot, every request is sent as asked.
#pragma once

#include "hardware/DSProcReceiver.h"
#include "hardware/DriverDevice.h"
#include "hardware/ReceiverRecords.h"
#include "hardware/RequestIds.h"
#include "runtime/Event.h"
#include "schema/LGCP.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Hardware {

class DSProcReceiverService {
public:
    static DSProcReceiverService& instance();
    DSProcReceiverService(const DSProcReceiverService&) = delete;
    DSProcReceiverService& operator=(const DSProcReceiverService&) = delete;
    ~DSProcReceiverService();

    // Opens the device unless it is open; false when it cannot be opened.
    // Every request opens it first.
    bool init();

    // Driver version 2 takes the controller's v2 parameters (and refuses
    // any other); every other version takes fixed ones. Refused when the
    // driver does not tell its version: the words would be a guess.
    bool configureVAD(DSProcReceiver& receiver, const LGCP::VADParams& params);
    bool configureSD(DSProcReceiver& receiver);
    void configureDelays(DSProcReceiver& receiver, unsigned rx, unsigned tx, unsigned selcal);
    void configureRxGain(DSProcReceiver& receiver, std::int8_t gain_dB);
    void configureToneFilter(DSProcReceiver& receiver, unsigned freq, unsigned enable,
                             int duration_th_msec, int det_level_dB);
    void disableToneAll(DSProcReceiver& receiver);

    bool enableVAD(DSProcReceiver& receiver, bool on);
    bool enableBSS(DSProcReceiver& receiver, bool on);
    bool enableNG(DSProcReceiver& receiver, bool on);
    bool enableSD(DSProcReceiver& receiver, bool on);
    using IfRefused = OwedRequests::IfRefused;
    // Not applied when refused; a destroy's clean-up owes what the driver
    // refuses of it.
    bool enableMute(DSProcReceiver& receiver, bool first, bool second,
                    IfRefused refused = IfRefused::Drop);
    void releaseSD(DSProcReceiver& receiver);
    void CleanBeforeDestroy(DSProcReceiver& receiver);

    // The receiver is gone: it leaves the record, and nothing is sent.
    static void Forget(const DSProcReceiver& receiver);

    void OnEvent(int fd, short revents);

private:
    DSProcReceiverService();

    enum class State : std::int32_t { Unset = -1, Off = 0, On = 1 };
    struct Feature {
        State state;
        std::uint32_t id = 0;
    };
    // One configure request as a receiver asked for it: the record the
    // driver takes, and the values its success line shows.
    struct Setting {
        Dsproc::ConfigureRecord record;
        std::string shown;
        std::uint64_t asked = 0;  // orders the requests of a timeslot
    };
    // What one receiver asked for.
    struct Asked {
        Feature vad{State::Unset};
        Feature bss{State::Off};
        Feature ng{State::Off};
        Feature sd{State::Unset};
        State muteFirst = State::Unset;
        State muteSecond = State::Unset;
        std::uint32_t muteId = 0;
        // By Key(): what it configured and has not undone, and what it
        // configured before.
        std::map<std::uint32_t, Kept<Setting>> settings;
    };
    struct Timeslot {
        std::map<const DSProcReceiver*, Asked> receivers;
    };
    // What the driver took on a timeslot. It outlives the receivers that
    // asked for it: the driver keeps it until something undoes it.
    struct Held {
        // By Key(): the parameters the driver took last.
        std::map<std::uint32_t, Dsproc::ConfigureRecord> settings;
        // The switch masks it took on.
        std::uint32_t features = 0;
    };

    using Params = decltype(Dsproc::ConfigureRecord::params);

    // A configure kind, and a tone filter's frequency: what the driver keeps
    // one of per timeslot.
    static std::uint32_t Key(const Dsproc::ConfigureRecord& record);
    // It has a tone filter on.
    static bool HasFilters(const Asked& asked);
    Timeslot& Record(const DSProcReceiver& receiver);
    // Whether the driver holds something for the key: what an undo of it
    // would remove.
    bool Holds(const OwedRequests::Key& key) const;
    Asked& Of(const DSProcReceiver& receiver) { return Record(receiver).receivers[&receiver]; }

    // A request of the kind on ts, its line showing the values after the timeslot.
    static Setting Make(unsigned ts, std::uint32_t kind, const Params& params,
                        const std::string& values);
    // The settings answered with success, and what clears one: 0, or its
    // filter off. VAD and SD parameters have no reset: none clears them.
    static Setting Delays(unsigned ts, unsigned rx, unsigned tx, unsigned selcal);
    static Setting RxGain(unsigned ts, std::int8_t gain_dB);
    static Setting ToneFilter(unsigned ts, unsigned freq, unsigned enable, int duration_th_msec,
                              int det_level_dB);
    static std::optional<Setting> Cleared(const Setting& setting);
    // Request 1, its lines written; taken, the timeslot's record holds it.
    // then runs once its outcome is noted, at once or at a retry.
    Outcome Send(const Setting& setting, IfRefused refused,
                 std::function<void(const Outcome&)> then = nullptr);
    // What puts the receiver's record of the setting's key back to back
    // (what it held before its own ask, or what it holds; nothing, where
    // none), when the board will never hold the setting, at once or at a
    // retry: a refusal for good takes the setting out of it too, so nothing
    // sends it later. Unless the receiver was answered with the refusal,
    // the key is then brought to what the records hold.
    std::function<void(const Outcome&)> Dropped(const DSProcReceiver& receiver,
                                                const Setting& asked,
                                                std::optional<Kept<Setting>> back,
                                                IfRefused refused);
    // The one place a configuration reaches the driver: a setting is
    // recorded and sent as asked; a reset sends the others' setting instead
    // while they have one, and the plain reset otherwise. A setting the
    // board will never hold leaves the receiver's record as it was.
    bool Configure(DSProcReceiver& receiver, Setting asked, bool reset, IfRefused refused);
    // Sends the setting of key asked for last on the timeslot, as its
    // receiver's ask, unless the driver holds it; false when no receiver
    // there has one.
    bool Settle(Timeslot& t, unsigned ts, std::uint32_t key);
    // What the records hold for the key reaches the driver: the setting
    // asked for last, or the plain reset where the driver holds another and
    // the kind has one; else the driver keeps what it holds, and the key
    // owes nothing.
    void Bring(Timeslot& t, unsigned ts, std::uint32_t key, const Setting& any);
    // Request 2 (an enable, under the next id, which a failed one consumes
    // too) or 3 (id 0), its lines written.
    bool Send(unsigned ts, std::uint32_t id, std::uint32_t mask, const char* name,
              IfRefused refused);
    bool Switch(DSProcReceiver& receiver, Feature Asked::*feature, std::uint32_t mask,
                const char* name, bool on, IfRefused refused);

    // Some receiver waits for events: it has VAD, SD, BSS or a tone filter on.
    bool Listening() const;
    static bool Made(const Asked& asked, const Dsproc::EventRecord& e);
    // The feature that made e is on in the driver for no receiver: its
    // switch-off is owed.
    bool Orphan(const Dsproc::EventRecord& e) const;
    // Who hears e: the receivers whose feature made it, or the first on its
    // timeslot unless it is an orphan's; none when the timeslot has no receiver.
    std::vector<DSProcReceiver*> Listeners(const Dsproc::EventRecord& e) const;
    void Deliver(DSProcReceiver& receiver, const Dsproc::EventRecord& e);
    void Dispatch(const void* record);

    Event event;
    DriverDevice device;
    RequestIds ids;
    std::uint64_t requests = 0;
    std::map<unsigned, Timeslot> timeslots;
    std::map<unsigned, Held> held;
};

}  // namespace Hardware
