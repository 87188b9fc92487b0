// What the two receiver services share about their records, per timeslot,
// of what each receiver on it asked for: each record holds its receivers'
// asks in a map by receiver.
#pragma once

#include <cstring>
#include <map>
#include <optional>
#include <utility>

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

// What the receiver asked for on ts, or null while it has asked nothing there
// (or is gone: only its address is compared); writable where the records are.
template <class Timeslots, class Receiver>
auto FindAsked(Timeslots& timeslots, unsigned ts, const Receiver* receiver)
    -> decltype(&timeslots.begin()->second.receivers.begin()->second) {
    const auto t = timeslots.find(ts);
    if (t == timeslots.end()) return nullptr;
    const auto asked = t->second.receivers.find(receiver);
    return asked == t->second.receivers.end() ? nullptr : &asked->second;
}

// What a receiver keeps of one kind: the value it asked for, and the one it
// held before. A value the driver refuses for good leaves the record, which
// goes back one step: the receiver's own ask, or its value sent again for it
// (given back after the other receiver's dial, sent back when the other
// undoes its own), is its ask, answered as such.
template <class T>
struct Kept {
    std::optional<T> now, before;

    // A new value: the one held becomes the one to go back to.
    void Ask(const T& value) {
        before = std::move(now);
        now = value;
    }
    // The driver refuses for good the value that same picks: wherever it
    // stands in the record it leaves, so that going back one step never
    // sends it again.
    template <class Same>
    void Refused(const Same& same) {
        if (before && same(*before)) before.reset();
        if (!now || !same(*now)) return;
        now = std::move(before);
        before.reset();
    }
    // An ask of the value that same picks was not applied: the record is
    // back what it held before the ask, and only a refusal for good takes
    // the value out of it. Another refusal says nothing of the value, which
    // the receiver may hold from an earlier ask the driver took.
    template <class Same>
    void Back(Kept back, bool forGood, const Same& same) {
        *this = std::move(back);
        if (forGood) Refused(same);
    }
};

// Of what the receivers of the record asked for through ask() (null where
// one asked nothing), the request made last, by its asked stamp, with the
// receiver that made it; both null when none made one.
template <class Receivers, class Ask>
auto Latest(const Receivers& receivers, const Ask& ask) {
    std::pair<typename Receivers::key_type, decltype(ask(receivers.begin()->second))> latest{};
    for (const auto& [receiver, asked] : receivers) {
        const auto made = ask(asked);
        if (made && (!latest.second || made->asked > latest.second->asked))
            latest = {receiver, made};
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
