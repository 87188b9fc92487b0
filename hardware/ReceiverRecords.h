// What the two receiver services share about their records, per timeslot,
// of what each receiver on it asked for: each record holds its receivers'
// asks in a map by receiver.
#pragma once

#include <cstring>
#include <map>

namespace Hardware {

// The receiver leaves the record of its timeslot, and an empty record goes.
// Called from the receiver's destructor, where its timeslot can no longer
// be asked (a pure virtual of the slot already gone), so every record is
// searched.
template <class Timeslot, class Receiver>
void ForgetReceiver(std::map<unsigned, Timeslot>& timeslots, const Receiver& receiver) {
    for (auto t = timeslots.begin(); t != timeslots.end(); ++t) {
        if (!t->second.receivers.erase(&receiver)) continue;
        if (t->second.receivers.empty()) timeslots.erase(t);
        return;
    }
}

// What the receiver asked for on ts, or null while it has asked nothing there.
template <class Timeslot, class Receiver>
auto FindAsked(const std::map<unsigned, Timeslot>& timeslots, unsigned ts, const Receiver& receiver)
    -> const typename decltype(Timeslot::receivers)::mapped_type* {
    const auto t = timeslots.find(ts);
    if (t == timeslots.end()) return nullptr;
    const auto asked = t->second.receivers.find(&receiver);
    return asked == t->second.receivers.end() ? nullptr : &asked->second;
}

// Of what the receivers of the record asked for through ask() (null where
// one asked nothing), the request made last, by its asked stamp; null when
// none made one.
template <class Receivers, class Ask>
auto Latest(const Receivers& receivers, const Ask& ask)
    -> decltype(ask(receivers.begin()->second)) {
    decltype(ask(receivers.begin()->second)) latest = nullptr;
    for (const auto& entry : receivers) {
        const auto asked = ask(entry.second);
        if (asked && (!latest || asked->asked > latest->asked)) latest = asked;
    }
    return latest;
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
