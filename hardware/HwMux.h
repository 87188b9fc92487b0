// The board's TDM switching matrix, driven through "/dev/hal": switches a
// transmit channel onto a receive channel, drives a channel with a constant
// octet, turns a channel off and reads back the octet a channel carries.
// It keeps a shadow of what was last asked of the 2048 shared-bus outputs
// (channels 8192..10239) and a deferred call keeps sending the turn-off for
// every output marked off, 128 outputs per run, so the bus stays clean
// whatever the hardware did.
// A request the driver refused (an idle or constant octet, a turn-off, on the
// shared bus or off it) stays owed: the refresh sends it again until the
// driver takes it or a later request on the channel replaces it, so the board
// ends holding what was asked, never what the refused request left there.
// One refused as invalid (EINVAL) is not owed: its channel is none the
// switch has, so nothing stays there.
// A refused connect is not owed, since its caller takes the path as not made:
// the channel keeps what was asked of it before.
// While a shared-bus output's request is owed for want of the device, the
// device is opened again each second, so it reaches the board even when no
// later operation comes to open it.
#pragma once

#include "runtime/Dpc.h"
#include "runtime/Errno.h"
#include "runtime/Fd.h"
#include "runtime/Timer.h"

#include <cstdint>
#include <map>
#include <optional>

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
    bool Connect(int transmit, int receive);
    // Drives the receive channel with the idle octet 0xD5. This, Disable and
    // Write answer false when the driver refuses, and the request is owed;
    // false too when the device cannot be opened, and a shared-bus output's
    // request is then owed until the open, which would otherwise switch the
    // output off.
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
        // Refused by the driver and not taken since.
        bool owed = false;
        // The octet of a constant, the transmit channel of a path.
        int value = 0;
    };

    // The shadow entry of a shared-bus output, null for other channels.
    Output* Shadow(int channel);
    bool Request(unsigned long request, void* record);
    // The one request that makes the switch hold what is asked; the shadow
    // is left alone.
    bool Send(int channel, const Output& asked);
    // Notes what is asked of the channel: in its shadow entry, or among the
    // strays while it is owed.
    void Keep(int channel, const Output& asked);
    // Whether a request the driver refused with this error stays owed.
    static bool Owed(const Errno& refusal);
    // Opens the device for a request on a channel that is not negative; a
    // shared-bus output's request that finds it closed is owed.
    bool Reach(int channel, const Output& asked);
    // Sends what is asked and keeps it, owed when the driver refuses it
    // otherwise than as invalid; the driver's error then.
    std::optional<Errno> Ask(int channel, Output asked);
    // The retry of an open that a request owed for want of the device waits
    // for: again a second later while it fails.
    void Reopen();

    Fd hal;
    Output shadow[busCount];
    unsigned refreshPosition = 0;
    // Channels off the shared bus whose request is owed, with what was asked
    // of them; few, and only while the driver refuses requests.
    std::map<int, Output> strays;
    // The stray the refresh sent last; the next run starts after it.
    int strayLast = -1;
    Dpc refresh;
    Timer reopen;
};

// Debugging aid: prints the caller's stack, at most ten frames, on standard
// output.
void print_trace();
