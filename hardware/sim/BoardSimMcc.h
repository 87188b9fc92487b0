// The simulated MCC driver ("/dev/mcc/ctl"): each open is one HDLC
// controller channel. MCC_ALLOCATE takes a controller for the open (the
// record must carry a known mode and the fixed words, and is kept);
// MCC_TIMESLOT answers the switch channel that controller sits on. A write
// is one frame to transmit, queued until a test takes it; a frame put on the
// line reaches the open as one read. A full transmit queue refuses writes
// with EAGAIN, and the descriptor polls writable again once a frame is taken.
//
// Control lines (after "/dev/mcc/ctl"):
//   channels       -> "4096:1 4097:3": each allocated switch channel and its
//                     allocation mode, in order of opening; "none"
//   rx CH HEX...   -> "ok": one frame received on the channel, octets as
//                     hex pairs ("7E 01 AB" or "7e01ab")
//   tx CH          -> the oldest frame transmitted on the channel, in hex
//                     ("01 AB"); "none" when nothing is queued
//   hangup CH      -> "ok": the driver closes the channel
#pragma once

#include "hardware/sim/BoardSimDevice.h"
#include "hardware/MccDriver.h"

#include <deque>
#include <string>
#include <vector>

namespace Board {

class SimMcc : public SimDevice {
public:
    // The switch channel of controller 0; controller n sits on firstChannel + n.
    static constexpr int firstChannel = 4096;
    static constexpr unsigned controllers = 32;
    // Frames a channel holds before it refuses writes.
    static constexpr std::size_t queueLimit = 4;

    struct Channel {
        SimOpen* open;
        // -1 until allocated.
        int switchChannel;
        Mcc::AllocateRecord record;
        std::deque<std::string> transmitted;
    };

    SimMcc();

    // The allocated channels, in order of opening.
    std::vector<const Channel*> Allocated() const;

    void OnClose(SimOpen& open) override;
    int OnIoctl(SimOpen& open, unsigned long request, void* record) override;
    int OnIoctlValue(SimOpen& open, unsigned long request, unsigned long value) override;
    ssize_t OnWrite(SimOpen& open, const void* data, std::size_t length) override;
    std::string OnCommand(const std::vector<std::string>& words) override;
    // Hangs up every channel: the board restarted its controllers.
    void Reset() override;

private:
    Channel& Of(SimOpen& open);
    Channel* OnSwitchChannel(long channel);
    // The allocated channel a line names by its switch channel, null when none is.
    Channel* ChannelOf(const std::string& word);
    SimReply CmdChannels(const SimArgs& args);
    SimReply CmdRx(const SimArgs& args);
    SimReply CmdTx(const SimArgs& args);
    SimReply CmdHangup(const SimArgs& args);
    int Allocate(Channel& channel, const Mcc::AllocateRecord& record);

    // Opens in order of opening; a controller is free when no channel has it.
    std::vector<Channel> channels;
};

}  // namespace Board
