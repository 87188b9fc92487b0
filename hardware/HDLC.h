// One HDLC controller channel of the board's MCC device ("/dev/mcc/ctl"):
// allocates a controller, switches it to the TDM channels of the link it
// serves through HwMux, and then moves whole frames between the device and
// its user inside the main loop, never blocking. The user is told of each
// received frame, of the transmitter taking frames again after it refused
// one, and of the channel closing itself after a read error.
//
// Calling order: bind, trunk and logLevel; params once the TDM channels are
// known; activate (again to restart with new params); then hdlc_transmit and
// the callbacks; deactivate or destroy. Switch paths made by activate stay
// when the channel closes: undoing them is the user's business.
#pragma once

#include "hardware/GenericHDLC.h"
#include "runtime/Event.h"

#include <cstdint>
#include <ostream>
#include <string>

class HDLC : public GenericHDLC {
public:
    // The receive side, implemented by the link layers and slots that use a
    // channel. Every callback may call hdlc_transmit, activate or deactivate.
    class Notify {
    public:
        struct Cause {
            enum Type { ReadFailed = 0 };
        };
        virtual ~Notify() = default;
        virtual void on_hdlc_receive(Packet& frame) = 0;
        // The channel has closed itself.
        virtual void on_hdlc_error(Cause::Type cause) = 0;
        // The transmitter takes frames: once after activate, and once after
        // each refused frame when room is back.
        virtual void on_hdlc_ready() = 0;
    };

    struct Params {
        std::uint32_t trunk;
        // Shown in the log prefix.
        std::uint32_t timeslot;
        // The switch channel that feeds the controller's receiver; -1 for none.
        std::int32_t input;
        // The switch channel the controller transmits to in mode 2; -1 for none.
        std::int32_t output;
        // 0 and 1: the controller transmits back into the input channel;
        // 2: to the output channel. Each has its own driver allocation mode.
        std::uint32_t mode;
    };

    // Copied one for one into the link information the controller asks for.
    struct Statistics {
        std::uint32_t txSU;        // frames written
        std::uint32_t txDiscard;   // frames refused while closed
        std::uint32_t txError;     // writes that failed otherwise than EINTR or EAGAIN
        std::uint32_t txOverflow;  // transmit overflows: none are detected
        std::uint32_t rxSU;        // frames read and delivered
    };

    HDLC();
    HDLC(const HDLC&) = delete;
    HDLC& operator=(const HDLC&) = delete;

    // The receiver of the callbacks, not owned; unbind puts back one that
    // ignores them.
    void bind(Notify* receiver) { notify = receiver; }
    void unbind();
    void params(const Params& p) { settings = p; }
    const Params& params() const { return settings; }
    void trunk(unsigned number) { trunkNumber = number; }
    // Kept for the user: the channel's own traces follow "signalling.hdlc".
    void logLevel(unsigned level) { level_ = level; }
    const Statistics& statistics() const { return counters; }

    // Closes the channel if open, clears the counters and opens a new
    // controller channel; true when it is open.
    bool activate();
    void deactivate();
    bool hdlc_transmit(Packet& frame) override;
    bool is_open() const override { return event.IsActive(); }
    bool is_ready() const override { return ready; }

    // "hdlc [trunk/timeslot]: "
    void PutHeader(std::ostream& os) const;

private:
    // The driver's allocation mode for params' mode; false for an unknown mode.
    bool AllocationMode(std::uint32_t& mode) const;
    // Opens, allocates and asks the switch channel; closed after logging a failure.
    Fd Open(int& controller);
    void on_event(int fd, short revents);
    void do_read();
    // Closes the channel and tells the user.
    void ReadFailed(const std::string& text);

    bool ready = false;
    Params settings;
    Statistics counters{};
    Event event;
    unsigned level_ = 0;
    unsigned trunkNumber = 0;
    Notify* notify;
    // Counts the opens, so that a pass over one descriptor stops when a
    // callback has closed it or opened another in its place.
    unsigned opened = 0;
};
