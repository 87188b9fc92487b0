#include "hardware/sim/BoardSimEventDevice.h"

#include "hardware/BoardDevices.h"
#include "runtime/MuxClock.h"

#include <algorithm>

namespace Board {

void SimEventDevice::ClearHistory() {
    history.Clear();
    counts.clear();
}

unsigned long SimEventDevice::Count(unsigned long number) const {
    auto it = counts.find(number);
    return it == counts.end() ? 0 : it->second;
}

bool SimEventDevice::Deliver(const void* record, std::size_t length) {
    bool taken = false;
    for (SimOpen* open : opens) taken = open->Deliver(record, length) || taken;
    return taken;
}

void SimEventDevice::Hangup() {
    for (SimOpen* open : opens) open->Hangup();
}

int SimEventDevice::OnOpen(SimOpen& open) {
    opens.push_back(&open);
    return 0;
}

void SimEventDevice::OnClose(SimOpen& open) {
    opens.erase(std::remove(opens.begin(), opens.end(), &open), opens.end());
}

bool SimEventDevice::ParseTimeslot(const std::string& word, std::uint32_t& ts) {
    long value = 0;
    if (!ParseNumber(word, value, 0, UINT32_MAX)) return false;
    ts = std::uint32_t(value);
    return true;
}

void SimEventDevice::Log(unsigned long number, const void* record, unsigned long value) {
    Request r{Mux::milliseconds(), number, value, {}};
    if (record)
        std::memcpy(r.record.data(), record, std::min(sizeof r.record, requestSize(number)));
    history.Add(r);
    ++counts[number];
}

}  // namespace Board
