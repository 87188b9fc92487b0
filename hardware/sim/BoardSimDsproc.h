// The simulated voice-processing driver ("/dev/dsp"): keeps per timeslot the
// features that are on with the id of each one's last enable, and the last
// configuration of each kind; records the newest requests with their time,
// answers the version query (2 at power-on) and delivers events on demand.
//
// Control lines (after "/dev/dsp"):
//   event TS TYPE V1 [V2 [V3]] -> "ok": one event of TYPE on TS, under the id
//                                 the feature of that type was last enabled
//                                 under (0: never, or a type without one), with
//                                 the payload words V1.. (0 when not given; a
//                                 BSS score V1 may have a fraction)
//   version [N]                -> the version the driver reports, or "ok" once set to N
//   enabled TS                 -> the mask of the features that are on
//   gain TS                    -> the receive gain last configured, "0x00" if none was
//   configured TS KIND [FREQ]  -> the parameter fields of the configuration of
//                                 KIND (a tone filter: of FREQ) held for TS, in
//                                 decimal, or "none"
#pragma once

#include "hardware/sim/BoardSimEventDevice.h"
#include "hardware/DsprocDriver.h"

#include <map>
#include <string>

namespace Board {

class SimDsproc : public SimEventDevice {
public:
    struct Timeslot {
        std::uint32_t enabled = 0;
        // By feature mask bit.
        std::map<std::uint32_t, std::uint32_t> ids;
        // By kind, the tone filters apart: one per frequency, switched off
        // together by a disable of every tone.
        std::map<std::uint32_t, Dsproc::ConfigureRecord> configuration;
        std::map<std::uint32_t, Dsproc::ConfigureRecord> toneFilters;
    };

    static constexpr int powerOnVersion = 2;

    SimDsproc();

    const Timeslot& State(std::uint32_t ts) const { return Held(timeslots, ts); }
    // The timeslots holding what the daemon set: what the model grows with.
    std::size_t Timeslots() const { return timeslots.size(); }
    void SetVersion(int v) { version = v; }
    // One event on ts under the id of the type's feature; false when the
    // daemon has the device closed.
    bool Report(std::uint32_t ts, std::uint32_t type, const std::int32_t (&words)[3]);

    int OnIoctl(SimOpen& open, unsigned long request, void* record) override;
    int OnIoctlValue(SimOpen& open, unsigned long request, unsigned long value) override;
    std::string OnCommand(const std::vector<std::string>& words) override;
    void Reset() override;

private:
    // The record's fields as the driver of the current version reads them.
    std::string Fields(const Dsproc::ConfigureRecord& record) const;
    SimReply CmdEvent(const SimArgs& args);
    SimReply CmdVersion(const SimArgs& args);
    SimReply CmdEnabled(const SimArgs& args);
    SimReply CmdConfigured(const SimArgs& args);
    SimReply CmdGain(const SimArgs& args);

    std::map<std::uint32_t, Timeslot> timeslots;
    int version = powerOnVersion;
};

}  // namespace Board
