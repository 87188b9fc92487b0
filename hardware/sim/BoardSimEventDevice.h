// A simulated driver with an event stream: it keeps every open of its node,
// so records can be delivered to the daemon on demand, and the newest
// requests it got, each with the simulation's millisecond of arrival.
#pragma once

#include "hardware/sim/BoardSimDevice.h"
#include "hardware/sim/BoardSimHistory.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace Board {

class SimEventDevice : public SimDevice {
public:
    struct Request {
        std::uint32_t ms;
        unsigned long number;
        // The argument of a request that carries a value, else 0.
        unsigned long value;
        // The record of a request that carries one, zero-padded.
        std::array<unsigned char, 24> record;

        template <class R>
        R As() const {
            static_assert(sizeof(R) <= sizeof record);
            R r;
            std::memcpy(&r, record.data(), sizeof r);
            return r;
        }
    };

    using SimDevice::SimDevice;

    const SimHistory<Request>& History() const { return history; }
    // The history and the counts start afresh.
    void ClearHistory();
    // The requests of the number taken since the history was cleared, those
    // it no longer holds included.
    unsigned long Count(unsigned long number) const;
    // Queues the octets as one record on every open; false when no open took
    // them. An empty record makes the daemon's read return 0.
    bool Deliver(const void* record, std::size_t length);
    // Every open's stream ends, as when the driver goes away.
    void Hangup();

    int OnOpen(SimOpen& open) override;
    void OnClose(SimOpen& open) override;

protected:
    // Called by the model for each request it takes.
    void Log(unsigned long number, const void* record, unsigned long value);
    // A timeslot of a control line: any that a driver record's 32 bits carry.
    static bool ParseTimeslot(const std::string& word, std::uint32_t& ts);

private:
    std::vector<SimOpen*> opens;
    SimHistory<Request> history;
    // By request number, of which a driver takes a handful.
    std::map<unsigned long, unsigned long> counts;
};

}  // namespace Board
