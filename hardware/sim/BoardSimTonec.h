// The simulated tone driver ("/dev/dtmf"): keeps per timeslot what is
// enabled, the last configurations and what the generator plays, records
// the newest requests with their time, and delivers detections on demand.
//
// Control lines (after "/dev/dtmf"):
//   event TS CODE [RID] -> "ok": one detection on TS, stamped with the
//                          simulation's milliseconds, under RID or else the
//                          id its detector was last enabled under (0: never)
//   generator TS        -> "off" | "silence" | "tone F1 F2"
//   enabled TS          -> the switches that are on ("dtmf iva rejection lms"), or "none"
#pragma once

#include "hardware/sim/BoardSimEventDevice.h"
#include "hardware/TonecDriver.h"

#include <map>
#include <string>

namespace Board {

class SimTonec : public SimEventDevice {
public:
    struct Timeslot {
        bool detector = false;
        std::uint32_t detectorId = 0;
        bool iva = false;
        bool rejection = false;
        bool lms = false;
        Tonec::ConfigureRecord dtmfConfig{};
        Tonec::IvaRecord ivaConfig{};
        Tonec::DialRecord generator{};
        Tonec::SelcalRecord selcal{};
    };

    SimTonec();

    const Timeslot& State(std::uint32_t ts) const { return Held(timeslots, ts); }
    // The timeslots holding what the daemon set: what the model grows with.
    std::size_t Timeslots() const { return timeslots.size(); }
    // What a generator record plays: "off", "silence" or "tone F1 F2".
    static std::string Describe(const Tonec::DialRecord& record);
    // One detection on ts; false when the daemon has the device closed.
    bool Detect(std::uint32_t ts, std::int32_t code, std::uint32_t id);

    int OnIoctl(SimOpen& open, unsigned long request, void* record) override;
    int OnIoctlValue(SimOpen& open, unsigned long request, unsigned long value) override;
    std::string OnCommand(const std::vector<std::string>& words) override;
    void Reset() override;

private:
    SimReply CmdEvent(const SimArgs& args);
    SimReply CmdGenerator(const SimArgs& args);
    SimReply CmdEnabled(const SimArgs& args);

    std::map<std::uint32_t, Timeslot> timeslots;
};

}  // namespace Board
