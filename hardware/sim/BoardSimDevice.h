// A driver of the simulated board: the small model of one device node that
// the simulation routes every open, request and write on that path to, and
// the open descriptors it hands out.
#pragma once

#include "hardware/sim/BoardSimVerbs.h"

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Board {

class SimDevice;

// One open of a simulated device. The daemon holds the other end of a
// SOCK_SEQPACKET pair, so a record the model delivers is read there whole.
class SimOpen {
public:
    SimOpen(SimDevice& device, int flags, unsigned id, int driverEnd)
        : device(device), flags(flags), id(id), driverEnd(driverEnd) {}

    // Queues one driver record for the daemon; false when the queue is full.
    bool Deliver(const void* record, std::size_t length);
    // A driver whose queue is full is not writable: after a write the model
    // refused with EAGAIN, the simulation fills the send buffer of the
    // daemon's descriptor (daemonEnd), so poll() stops reporting POLLOUT
    // until the model calls Unblock.
    void Block(int daemonEnd);
    void Unblock();
    // Ends the records for good: the daemon's reads return 0 from then on.
    void Hangup();

    SimDevice& device;
    const int flags;
    // Unique among all opens of the simulation's life: models key per-open state on it.
    const unsigned id;

private:
    int driverEnd;
    bool blocked = false;
};

class SimDevice {
public:
    explicit SimDevice(std::string path) : path(std::move(path)) {}
    virtual ~SimDevice() = default;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    const std::string& Path() const { return path; }

    // 0, or minus an errno to refuse the open.
    virtual int OnOpen(SimOpen&) { return 0; }
    // The daemon closed its last copy of the descriptor.
    virtual void OnClose(SimOpen&) {}
    // A request's result (0 or more) or minus an errno; -ENOTTY for a request
    // the driver does not have.
    virtual int OnIoctl(SimOpen& open, unsigned long request, void* record);
    virtual int OnIoctlValue(SimOpen& open, unsigned long request, unsigned long value);
    // The octets taken or minus an errno.
    virtual ssize_t OnWrite(SimOpen& open, const void* data, std::size_t length);
    // A control line addressed to this device (the words after its path);
    // returns the reply line, "error: ..." for a line it does not take. A
    // model names its verbs once, in a SimVerbs table that answers the line.
    virtual std::string OnCommand(const std::vector<std::string>& words);
    // Back to the state of a board just powered on.
    virtual void Reset() = 0;

    // Number parsing for the control lines: decimal, or hexadecimal with "0x",
    // within [min, max], the range of the field the number goes to: a number
    // cut to fit would address another channel or store another value.
    // value is written only when the word is such a number.
    static bool ParseNumber(const std::string& word, long& value, long min, long max);
    // An errno by its name as the C headers spell it ("ENODEV", "EWOULDBLOCK"),
    // any that a driver can return, or by its number.
    static bool ParseErrno(const std::string& word, int& error);
    // Replies: "0xC5", two upper-case digits; "0xa", as many lower-case digits as needed.
    static std::string HexOctet(int octet);
    static std::string HexNumber(unsigned long value);

private:
    const std::string path;
};

// What a model keeps per key, the power-on value for a key never set: asking
// adds nothing, so lines that only read cannot grow the model.
template <class Map>
const typename Map::mapped_type& Held(const Map& map, const typename Map::key_type& key) {
    static const typename Map::mapped_type powerOn{};
    const auto found = map.find(key);
    return found == map.end() ? powerOn : found->second;
}

}  // namespace Board
