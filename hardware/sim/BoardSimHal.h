// The simulated HAL driver ("/dev/hal"): the TDM switch keeps, per channel,
// whether it is off, driven with a constant octet or driven from a transmit
// channel, answers reads with the octet a channel carries, and counts the
// requests it takes. A channel can be stuck at an octet to fake a bus fault.
//
// Control lines (after "/dev/hal"):
//   route CH          -> "CH off" | "CH const 0xNN" | "CH from TX"
//   octet CH          -> "0xNN", what a read of the channel answers
//   stick CH OCTET    -> "ok": reads of CH answer OCTET whatever drives it
//   unstick CH        -> "ok"
//   count REQUEST     -> how many of that request number it took
//   echo-mask M       -> "ok": the echo buses the next scan finds, one bit
//                        per bus 0..15 (buses 0 and 1 at power-on)
// and the lines of its line side (BoardSimHalLines.h).
#pragma once

#include "hardware/sim/BoardSimDevice.h"
#include "hardware/sim/BoardSimHalLines.h"

#include <cstdint>
#include <map>
#include <vector>

namespace Board {

class SimHal : public SimDevice {
public:
    struct Route {
        enum Kind { Off, Constant, Driven } kind = Off;
        // The octet, or the transmit channel.
        int value = 0;
        bool operator==(const Route& o) const { return kind == o.kind && value == o.value; }
    };
    struct Request {
        unsigned long number;
        std::int32_t word0;
        std::int32_t word1;
        bool operator==(const Request& o) const {
            return number == o.number && word0 == o.word0 && word1 == o.word1;
        }
    };

    // The switch's channel space; requests on channels outside fail with EINVAL.
    static constexpr int maxChannel = 0xFFFF;

    static constexpr unsigned powerOnEchoMask = 0x3;

    SimHal();

    Route RouteOf(int channel) const;
    // What a read of the channel answers; 0xFF on a channel that is off.
    int Octet(int channel) const;
    void Stick(int channel, int octet) { stuck[channel] = octet & 0xFF; }
    void Unstick(int channel) { stuck.erase(channel); }
    unsigned long Count(unsigned long request) const;
    unsigned EchoMask() const { return echoMask; }
    // While recording, every switch request is kept in order of arrival, as a
    // test's sweep of the shared bus reads back all of its 2,048; only
    // in-process tests record, so the daemon's history stays empty.
    void Record(bool on) { recording = on; }
    const std::vector<Request>& History() const { return history; }
    void ClearHistory() { history.clear(); }

    int OnIoctl(SimOpen& open, unsigned long request, void* record) override;
    std::string OnCommand(const std::vector<std::string>& words) override;
    void Reset() override;

private:
    int Switch(unsigned long request, void* record);
    SimReply CmdRoute(const SimArgs& args);
    SimReply CmdOctet(const SimArgs& args);
    SimReply CmdStick(const SimArgs& args);
    SimReply CmdUnstick(const SimArgs& args);
    SimReply CmdEchoMask(const SimArgs& args);
    SimReply CmdCount(const SimArgs& args);

    std::map<int, Route> routes;
    std::map<int, int> stuck;
    std::map<unsigned long, unsigned long> counts;
    bool recording = false;
    std::vector<Request> history;
    unsigned echoMask = powerOnEchoMask;
    SimHalLines lines;
};

}  // namespace Board
