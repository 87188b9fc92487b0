#include "hardware/OwedRequests.h"

#include "runtime/MuxClock.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace Hardware {

Outcome Outcome::Of(int result) {
    if (result >= 0) return {Taken, 0, result, false};
    return {Refused, errno, result, false};
}

OwedRequests::OwedRequests(std::function<bool(const Key&)> holds) : holds(std::move(holds)) {}

// A failure writes its line when it is due; a request refused again goes
// behind the others, so the pays of the seconds come round to every one of
// them in turn.
Outcome OwedRequests::Note(const Key& key, Entry& entry, Request request, Outcome outcome,
                           IfRefused refused, bool again) {
    if (outcome.taken()) {
        entry.owed.reset();
        entry.line.Clear();
        return outcome;
    }
    const auto& line = outcome.kind == Outcome::Unopened ? request.unopened : request.refused;
    if (line) entry.line.Tell(outcome.error, paying, [&] { line(outcome); });
    if (refused == IfRefused::Drop) {
        // One that waited for a share of its own is answered now.
        if (again) entry.owed.reset();
        return outcome;
    }
    const bool undo = refused == IfRefused::Undo;
    if (outcome.final() && !(undo && holds && holds(key))) {
        // The owed request itself, or an undo of nothing held, ends what
        // the key owes; a new ask leaves it.
        if (again || undo) entry.owed.reset();
        return outcome;
    }
    Owe(entry, std::move(request), refused);
    if (outcome.kind == Outcome::Refused) entry.refusedAt = Mux::milliseconds();
    outcome.owed = true;
    return outcome;
}

void OwedRequests::Owe(Entry& entry, Request request, IfRefused refused) {
    entry.owed = std::move(request);
    entry.refused = refused;
    entry.refusedAt.reset();
    entry.order = ++asks;
}

bool OwedRequests::Spent() const {
    return paid.size() >= perSecond && std::uint32_t(Mux::milliseconds() - paid.front()) < tickMs;
}

// Called only where the share is not spent: the oldest send it drops is a
// second old.
void OwedRequests::Count() {
    if (paid.size() >= perSecond) paid.pop_front();
    paid.push_back(Mux::milliseconds());
}

// The entry is found after the send: sending may open the device, whose
// open pays what is owed. A request taken where nothing was owed or paced,
// the ordinary case, leaves nothing behind. One asked while a pay sends (a
// retry's follow-up) is part of its share: once that is spent, it waits for
// the next second's, as though its device rested.
Outcome OwedRequests::Ask(const Key& key, Request request, IfRefused refused) {
    if (paying && Spent()) return Owe(key, std::move(request), refused);
    if (paying) Count();
    Outcome outcome = request.send();
    const auto then = request.then;
    if (!outcome.taken() || entries.count(key)) {
        outcome = Note(key, entries[key], std::move(request), outcome, refused, false);
        if (!outcome.taken()) Wake();
    }
    if (then) then(outcome);
    return outcome;
}

Outcome OwedRequests::Owe(const Key& key, Request request, IfRefused refused) {
    const auto then = request.then;
    Owe(entries[key], std::move(request), refused);
    Wake();
    if (then) then(Outcome::Rested());
    return Outcome::Rested();
}

void OwedRequests::Forget(const Key& key) {
    const auto entry = entries.find(key);
    if (entry != entries.end()) entry->second.owed.reset();
}

void OwedRequests::ForgetIf(const std::function<bool(const Key&)>& which) {
    for (auto& [key, entry] : entries)
        if (which(key)) entry.owed.reset();
}

bool OwedRequests::Owes(const Key& key) const {
    const auto entry = entries.find(key);
    return entry != entries.end() && entry->second.owed;
}

bool OwedRequests::OwesAny(const std::function<bool(const Key&)>& which) const {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const auto& entry) { return entry.second.owed && which(entry.first); });
}

// One the driver refused within the second waits for the second to pass,
// though the device opened meanwhile or a tick due for another came first:
// a value the driver refuses for good goes to it once a second.
void OwedRequests::Pay(const std::function<bool(const Key&)>& now) {
    if (paying) return;
    paying = true;
    std::vector<std::pair<std::uint64_t, Key>> due;
    for (const auto& [key, entry] : entries)
        if (entry.owed && (Rests(entry) == 0 || (now && now(key))))
            due.emplace_back(entry.order, key);
    std::sort(due.begin(), due.end());
    for (const auto& [order, key] : due) {
        if (Spent()) break;
        const auto entry = entries.find(key);
        if (entry == entries.end() || !entry->second.owed || entry->second.order != order) continue;
        Count();
        if (Resend(key, order).kind == Outcome::Unopened) break;
    }
    paying = false;
}

void OwedRequests::Retry(const Key& key) {
    const auto entry = entries.find(key);
    if (paying || entry == entries.end() || !entry->second.owed) return;
    paying = true;
    Resend(key, entry->second.order);
    paying = false;
}

Outcome OwedRequests::Resend(const Key& key, std::uint64_t order) {
    auto entry = entries.find(key);
    Request request = *entry->second.owed;
    const IfRefused refused = entry->second.refused;
    Outcome outcome = request.send();
    const auto then = request.then;
    entry = entries.find(key);
    // Asked anew while it was sent, the new ask decides what is owed.
    if (entry != entries.end() && entry->second.order == order)
        outcome = Note(key, entry->second, std::move(request), outcome, refused, true);
    if (then) then(outcome);
    return outcome;
}

// A line is forgotten once it lapsed and nothing on its timeslot or channel
// is owed: while something there is, its failures go on, and their lines
// stay paced by the error last written.
void OwedRequests::Tick() {
    Pay();
    std::set<std::pair<std::uint32_t, std::uint32_t>> owing;
    for (const auto& [key, entry] : entries)
        if (entry.owed) owing.emplace(key.unit, key.where);
    std::uint32_t next = tickMs;
    for (auto entry = entries.begin(); entry != entries.end();) {
        const Key& key = entry->first;
        const bool gone = !entry->second.owed && entry->second.line.Lapsed() &&
                          !owing.count({key.unit, key.where});
        if (const std::uint32_t rests = entry->second.owed ? Rests(entry->second) : 0)
            next = std::min(next, rests);
        entry = gone ? entries.erase(entry) : std::next(entry);
    }
    if (!entries.empty()) Wake(next);
}

std::uint32_t OwedRequests::Rests(const Entry& entry) {
    if (!entry.refusedAt) return 0;
    const std::uint32_t since = Mux::milliseconds() - *entry.refusedAt;
    return since < tickMs ? tickMs - since : 0;
}

// A tick armed further ahead than asked was armed on a clock that has since
// gone back, as a test's does, or for later; re-arming it each ask instead
// would put it off for as long as asks come.
void OwedRequests::Wake(std::uint32_t within) {
    const std::uint32_t now = Mux::milliseconds();
    if (tick.is_running() && std::int32_t(tickAt - now) <= std::int32_t(within)) return;
    tick.set(within, &OwedRequests::Tick, this);
    tickAt = now + within;
}

}  // namespace Hardware
