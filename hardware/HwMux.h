// The board's TDM switching matrix, driven through "/dev/hal": switches a
// transmit channel onto a receive channel, drives a channel with a constant
// octet, turns a channel off and reads back the octet a channel carries.
// It keeps a shadow of what was last asked of the 2048 shared-bus outputs
// (channels 8192..10239) and a deferred call keeps sending the turn-off for
// every output marked off, 128 outputs per run, so the bus stays clean
// whatever the hardware did.
// What the driver refuses follows the owed requests' rules (OwedRequests): an
// idle or constant octet, or a turn-off, is owed until the driver takes it or
// a later request on the channel replaces it, and asked again each second
// and at the device's open. A refused connect or read is not owed: its
// caller takes it as not done, and the channel keeps what was asked of it
// before. A constant octet refused switches the channel off at once, so no
// path outlives its undoing: that switch-off is owed whatever the error
// while the channel carries what the driver took, and the octet unless the
// driver refused it as invalid. Each failure writes its own line, at most
// one a second for each request and channel.
#pragma once

#include "hardware/DeviceNode.h"
#include "hardware/OwedRequests.h"
#include "runtime/Dpc.h"

#include <cstdint>
#include <set>
#include <string>

class HwMux {
public:
    static HwMux& instance();

    // Opens the device at once; the daemon's one switch is instance(), tests
    // make their own.
    HwMux();
    HwMux(const HwMux&) = delete;
    HwMux& operator=(const HwMux&) = delete;

    // Opens the device when it is not open yet (every operation tries again).
    bool IsOpened();
    // Gives the device back, forgets what was asked and stops the refresh;
    // the next operation opens it again as at start. The daemon keeps its
    // switch open for the life of the process; a test gives back the one it
    // opened.
    void Close();
    // False when the driver refuses the path or the device cannot be
    // opened; nothing is owed.
    bool Connect(int transmit, int receive);
    // Drives the receive channel with the idle octet 0xD5. This, Disable and
    // Write answer false when the driver refuses, or the device cannot be
    // opened, and the request is owed.
    bool Disconnect(int receive);
    bool Disable(int channel);
    bool Write(int channel, unsigned char value);
    // The octet the channel carries; 255 when it cannot be read.
    int Read(int channel);

    // The refresh, run by the deferred call.
    void OnDPC();
    void RefreshChannel(int index);

    // Whether a number is a channel of the switch: a signed 32-bit number
    // that is not negative, which every operation refuses.
    static constexpr bool IsChannel(std::int64_t number) {
        return number >= 0 && number <= INT32_MAX;
    }

    static constexpr int busFirst = 8192;
    static constexpr int busCount = 2048;
    static constexpr int refreshBatch = 128;
    static constexpr unsigned char idleOctet = 0xD5;

private:
    // What the switch was last asked to do with a channel. The state stands
    // apart from the value, since a transmit channel can take any value.
    struct Output {
        enum State : std::uint8_t { Off, Constant, Driven } state = Off;
        // The octet of a constant, the transmit channel of a path.
        int value = 0;
    };
    // The shadow entry of a shared-bus output, null for other channels.
    Output* Shadow(int channel);
    // What the device does once opened: every output off but one owed.
    int Ready();
    Hardware::Outcome Request(unsigned long request, void* record);
    // The one request that makes the switch hold what is asked, and the
    // note of what the channel carries once the driver takes it; the shadow
    // is left alone.
    Hardware::Outcome Send(int channel, const Output& asked);
    // Send() as the owed requests keep it: opening the device first, its
    // failure written as fail and the error, and a constant it refused
    // followed by the channel's switch-off.
    Hardware::OwedRequests::Request Asking(int channel, const Output& asked, std::string fail);
    // The owed requests' key of a request on the channel: an octet and a
    // switch-off are owed apart, since a refused octet owes both.
    static Hardware::OwedRequests::Key Key(int channel, unsigned long request) {
        return {std::uint32_t(channel), std::uint32_t(request)};
    }
    // Whether the channel owes an octet or a switch-off; Forget: it owes
    // neither any more, a later ask or a path replacing them.
    bool Owes(int channel) const;
    void Forget(int channel);
    // The start of a switch-off's failure line.
    static std::string DisableFailed(int channel);
    // Sends what is asked, notes it in the channel's shadow entry, and owes
    // it when refused. A negative channel is refused once the open every
    // operation starts with is done.
    bool Change(int channel, const Output& asked, std::string fail);
    // The channel off now. Owed, it is an undo of what the channel carries.
    // Not owed, it is the switch-off that each retry of a refused octet
    // sends again.
    bool SwitchOff(int channel, std::string fail, bool owe);

    // By channel and request: few, and only while the driver refuses. What
    // the driver holds on a channel is what carrying says.
    Hardware::OwedRequests owed;
    Hardware::DeviceNode hal;
    Output shadow[busCount];
    unsigned refreshPosition = 0;
    Dpc refresh;
    // The channels whose last request the driver took put a path or a
    // constant on them.
    std::set<int> carrying;
};

// Debugging aid: prints the caller's stack, at most ten frames, on standard
// output.
void print_trace();
