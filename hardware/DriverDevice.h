// A receiver service's device: opened at the service's first request, watched
// for the driver's events through the service's Event, and given up when the
// driver fails (a read that fails, a hang-up, the stream's end), with what it
// owes the driver kept in its OwedRequests.
//
// The detectors the receivers switched on live in the driver, so a device
// given up while a receiver listens is opened again without waiting for a
// request: at once, then each second while that fails. Given up again within
// a second of its reopening, it rests until the next second's retry, so a
// driver that fails at every open costs one open a second, not a spinning
// loop. Whatever it owes is asked again at each open and each second. No
// request goes to a device that is not open.
// Lines: an open that fails writes `failure` and the error on std::cerr
// (DeviceNode paces it); a device given up writes "open <name> again: done"
// on std::clog once it is open again.
#pragma once

#include "hardware/BoardDevices.h"
#include "hardware/DeviceNode.h"
#include "hardware/OwedRequests.h"
#include "runtime/Event.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <type_traits>

namespace Hardware {

class DriverDevice {
public:
    // What a request writes.
    struct Lines {
        // Its failure, on std::cerr before the errno suffix.
        std::string refused;
        // What its success writes, where it writes something.
        std::function<void()> done = nullptr;
        // Its own failure for want of the device, on std::cerr before the
        // errno suffix; its failure and " (interface not opened)" otherwise.
        std::string unopened = {};
    };
    // The owner binds event's handler, which hands the events to Read().
    // listening() tells whether a receiver waits for the driver's events;
    // holds() whether the driver holds something for a key (OwedRequests).
    DriverDevice(Event& event, const char* path, int flags, const char* failure, const char* name,
                 std::function<bool()> listening,
                 std::function<bool(const OwedRequests::Key&)> holds);
    DriverDevice(const DriverDevice&) = delete;
    DriverDevice& operator=(const DriverDevice&) = delete;

    // Opens and watches the device unless it is watched; false when it
    // cannot be opened, or its watch cannot have its own descriptor.
    bool Open();
    // Given up again within a second of its reopening: what the owner sends
    // by itself, paced by its own timers (a dial's steps), waits for the
    // next second's retry instead of opening it at each step, only for the
    // driver to fail again at once.
    bool Resting() const;
    // The record of a request whose argument is the value itself.
    struct Value {
        unsigned long value;
    };
    // A request as the owed requests keep it: sent on the device, opened
    // first, with its record (or Value), and its lines.
    template <class Record>
    OwedRequests::Request Ioctl(unsigned long number, const Record& record, Lines lines) {
        return Make(
            [this, number, record] {
                if (const int error = node.Open()) return Outcome::NotOpened(error);
                Record copy = record;
                const int fd = node.Descriptor();
                if constexpr (std::is_same_v<Record, Value>)
                    return Outcome::Of(Board::devices().ioctlValue(fd, number, copy.value));
                else
                    return Outcome::Of(Board::devices().ioctl(fd, number, &copy));
            },
            std::move(lines));
    }
    // Such a request asked of the driver now.
    template <class Record>
    Outcome Ask(OwedRequests::Key key, unsigned long number, const Record& record, Lines lines,
                OwedRequests::IfRefused refused) {
        return owed.Ask(key, Ioctl(number, record, std::move(lines)), refused);
    }
    // The device opened for a request that finds what it asks for on
    // already, through another receiver: nothing is sent, but a device that
    // does not open refuses the request, with the request's own line.
    bool Join(OwedRequests::Key key, Lines lines);
    // Hands every record waiting to record() (ReadDriverEvents), which may
    // destroy receivers; gives the device up when the driver is gone.
    void Read(int fd, short revents, std::size_t size,
              const std::function<void(const void*)>& record);

    // What the driver was asked and has not taken.
    OwedRequests owed;

private:
    enum class Life : std::uint8_t {
        // Open, or not opened yet.
        Open,
        // Open since it was opened again after it was given up.
        Reopened,
        // Given up.
        Lost,
        // Given up again within a second of its reopening.
        Resting,
    };

    // Watches the descriptor just opened: 0, or why it cannot be watched.
    int Ready();
    OwedRequests::Request Make(std::function<Outcome()> send, Lines lines);
    // The device's own open, owed while a receiver listens.
    OwedRequests::Request Reopen();

    Event& event;
    const char* const name;
    const std::function<bool()> listening;
    DeviceNode node;
    Life life = Life::Open;
    // When it entered that life: opened again, or given up.
    std::uint32_t since = 0;
};

// Words and " timeslot=<ts>", as the lines of a receiver's request have them.
std::string At(const std::string& words, unsigned ts);
// A success line written on out.
std::function<void()> Writes(std::ostream& out, std::string line);

}  // namespace Hardware
