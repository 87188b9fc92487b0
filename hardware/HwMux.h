// The board's TDM switching matrix, driven through "/dev/hal": switches a
// transmit channel onto a receive channel, drives a channel with a constant
// octet, turns a channel off and reads back the octet a channel carries.
// It keeps a shadow of the 2048 shared-bus outputs (channels 8192..10239) and
// a deferred call keeps sending the turn-off for every output marked off,
// 128 outputs per run, so the bus stays clean whatever the hardware did.
// A path the daemon let go of never stays: when the request that undoes or
// turns off a channel fails, the refresh switches the channel off as soon as
// the driver takes requests again.
#pragma once

#include "runtime/Dpc.h"
#include "runtime/Fd.h"

#include <cstdint>
#include <vector>

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
    // Gives the device back and stops the refresh; the next operation opens
    // it again. The daemon keeps its switch open for the life of the process;
    // a test gives back the one it opened.
    void Close();
    bool Connect(int transmit, int receive);
    // Drives the receive channel with the idle octet 0xD5; when that fails
    // the channel is left to the refresh to switch off.
    bool Disconnect(int receive);
    // When this fails the refresh tries again.
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
    // What the switch was last told to do with a shared-bus output. The
    // state stands apart from the transmit channel, whose low 16 bits can
    // take any value.
    struct Output {
        enum State : std::uint8_t { Off, Constant, Driven } state = Off;
        std::uint16_t transmit = 0;
    };

    // The shadow entry of a shared-bus output, null for other channels.
    Output* Shadow(int channel);
    bool Request(unsigned long request, void* record);
    // The disable request alone, shadow untouched.
    bool SwitchOff(int channel);
    // The channel's path was let go of but may still be in the switch.
    void LeaveToRefresh(int channel);
    // The switch holds what the daemon last asked for on the channel.
    void Settled(int channel);

    Fd hal;
    Output shadow[busCount];
    unsigned refreshPosition = 0;
    // Channels off the shared bus whose switch-off is still owed; few, and
    // only while the driver refuses requests.
    std::vector<int> strays;
    Dpc refresh;
};

// Debugging aid: prints the caller's stack, at most ten frames, on standard
// output.
void print_trace();
