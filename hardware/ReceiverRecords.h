// What the two receiver services share about their records, per timeslot,
// of what each receiver on it asked for: each record holds its receivers'
// asks in a map by receiver.
#pragma once

#include <cstring>
#include <map>

namespace Hardware {

// The receiver leaves the record of its timeslot, and an empty record goes.
template <class Timeslot, class Receiver>
void ForgetReceiver(std::map<unsigned, Timeslot>& timeslots, const Receiver& receiver) {
    for (auto t = timeslots.begin(); t != timeslots.end(); ++t) {
        if (!t->second.receivers.erase(&receiver)) continue;
        if (t->second.receivers.empty()) timeslots.erase(t);
        return;
    }
}

// What another receiver of the record asked for, when uses() holds for it;
// null when none's does.
template <class Asked, class Receivers, class Uses>
const Asked* Other(const Receivers& receivers, const Asked& mine, const Uses& uses) {
    for (const auto& entry : receivers)
        if (&entry.second != &mine && uses(entry.second)) return &entry.second;
    return nullptr;
}

// Two driver records hold the same parameters: records are zero-filled
// before they are built, so their octets compare.
template <class Record>
bool Same(const Record& a, const Record& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace Hardware
