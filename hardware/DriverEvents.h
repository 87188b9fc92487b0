// What the two receiver services share around their drivers: the device a
// service holds, opened again after its driver failed, the tail of their
// failure lines, and the reading of the stream in whole records.
#pragma once

#include "runtime/Dpc.h"
#include "runtime/Errno.h"
#include "runtime/Event.h"
#include "runtime/OncePerSecond.h"
#include "runtime/Timer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <ostream>

namespace Hardware {

// A receiver service's device: opened at the service's first request,
// watched for the driver's events through the service's Event, and given up
// when the driver fails (a read that fails, a hang-up, the stream's end).
// The detectors the receivers switched on live in the driver, so while any
// receiver listens, or the owner has a clean-up or a request that missed
// the driver, a device given up is opened again without waiting for a
// request: at once, then each second while that fails. One given up again
// within a second of its reopening waits for the next second, so a driver
// that fails at every open costs one open a second, not a spinning loop.
// No request goes to a device that is not open.
// Lines: an open that fails writes `failure` and the error on std::cerr, a
// retry's only when its error is not the one written last, and none within
// a second of the last (a controller repeating a refused command must not
// flood the log); a device given up writes "open <name> again: done" on
// std::clog once it is open again. The refusals of what opened() sends
// write one line a second at most, whatever it sends.
class DriverDevice {
public:
    // The line of a request the driver refused, up to its errno suffix.
    using Line = std::function<void(std::ostream&)>;

    // The owner binds event's handler, which hands the events to Read().
    // listening() tells whether the owner needs the device back: a receiver
    // waits for the driver's events, or owes it a clean-up. opened() runs
    // after each open, on the loop's next pass, outside the request that
    // opened it.
    DriverDevice(Event& event, const char* path, int flags, const char* failure, const char* name,
                 std::function<bool()> listening, std::function<void()> opened);
    DriverDevice(const DriverDevice&) = delete;
    DriverDevice& operator=(const DriverDevice&) = delete;

    // Opens and watches the device unless it is watched; false when it
    // cannot be opened, or its watch cannot have its own descriptor.
    bool Open();
    // Open() for an operation that writes its own line when refused for want
    // of the device: "<noDevice> timeslot=<ts>" on std::cerr, at most one a
    // second (a controller repeating the command must not flood the log).
    bool OpenedFor(const char* noDevice, unsigned ts);
    // A request on the device, opened first: the driver's answer (0 or more)
    // when it takes it, else -1. A refusal writes fail()'s line and the errno
    // suffix, nothing when fail is empty; a request not sent for want of a
    // device adds nothing to the open's line.
    int Request(unsigned long request, void* record, const Line& fail);
    int RequestValue(unsigned long request, unsigned long value, const Line& fail);
    // Given up again within a second of its reopening, it waits for the
    // next second's retry: what the owner sends by itself, paced by its own
    // timers (a dial's steps), waits for it too instead of opening it at
    // each step, only for the driver to fail again at once.
    bool Resting() const { return resting; }
    // The owner owes the driver something: a device given up, or never
    // opened yet, is opened again each second from now on; an open one that
    // refused it has opened() run again a second later.
    void Await();
    // Hands every record waiting to record() (ReadDriverEvents), which may
    // destroy receivers; gives the device up when the driver is gone.
    void Read(int fd, short revents, std::size_t size,
              const std::function<void(const void*)>& record);

private:
    // A retry writes the failure only when its error is a new one.
    bool Open(bool retrying);
    void Retry();
    void Opened();
    // Runs opened(), its refusals paced.
    void Resend();
    int Sent(int result, const Line& fail);

    Event& event;
    const char* const path;
    const int flags;
    const char* const failure;
    const char* const name;
    const std::function<bool()> listening;
    const std::function<void()> opened;
    Timer retry;
    // Runs opened() apart from the request whose open it follows, so that
    // what the owner sends then derives from the record that request left.
    Dpc settle;
    // Given up, and not open since.
    bool lost = false;
    // Given up again within a second of its reopening, until the retry.
    bool resting = false;
    // The error of the last failure written, 0 when none.
    int written = 0;
    OncePerSecond failures;
    OncePerSecond refusals;
    // While opened() runs, and the pace of its refusals' lines.
    bool resending = false;
    OncePerSecond resent;
    // When it was last opened again after being given up.
    bool reopened = false;
    std::uint32_t reopenedMs = 0;
};

// ` errno="<system text>"`, taken when constructed, right after the failed call.
struct ErrnoSuffix {
    Errno error;
};
std::ostream& operator<<(std::ostream& out, const ErrnoSuffix& suffix);

// Reads every record of `size` octets waiting on the non-blocking descriptor
// and hands each to `record`, which may destroy whatever it likes except the
// reader's caller. A short record is dropped with a line. The driver is gone
// when its stream ends (a read of 0), when a read fails with anything but
// EAGAIN or EINTR, or when poll() reports POLLERR or POLLHUP with nothing to
// read: that is logged once and false returned, so the caller releases a
// descriptor that poll() would otherwise report again at once, for ever.
// `device` names the driver in the lines ("fail to read from <device>:
// ..."). When the driver is gone, a non-null `cause` is set to why, as an
// error number: the failed read's, ENODEV at the end of the stream, EIO for
// POLLERR or POLLHUP.
[[nodiscard]] bool ReadDriverEvents(int fd, short revents, std::size_t size, const char* device,
                                    const std::function<void(const void*)>& record,
                                    int* cause = nullptr);

// For a receiver that goes while its driver cannot be opened: the driver
// keeps what it had on, so its entry in the timeslot's record passes to the
// timeslot's stand-in (made by the first such receiver there; a later one's
// entry is merged into it by absorb), whose one clean-up undoes them all once
// the device is back.
template <class StandIn, class Receiver, class Asked, class Absorb>
void LeaveStandIn(std::map<unsigned, std::unique_ptr<StandIn>>& standIns,
                  std::map<const Receiver*, Asked>& receivers, const Receiver& gone, unsigned ts,
                  Absorb absorb) {
    const auto mine = receivers.find(&gone);
    std::unique_ptr<StandIn>& standIn = standIns[ts];
    if (standIn)
        absorb(receivers[standIn.get()], mine->second);
    else
        receivers[(standIn = std::make_unique<StandIn>(ts)).get()] = mine->second;
    receivers.erase(mine);
}

}  // namespace Hardware
