// What a board driver was asked and has not taken, for every device the same
// way: for each key (a timeslot and a request kind, a channel, a sum and the
// channel in it) the latest request that is still owed, asked again at the
// device's next open and each second until the driver takes it, a second
// after the driver's last refusal of it at the soonest, so the board ends
// holding what was asked, never the leftover of a refused request.
//
// The rules, written here once:
// - What is owed for a key is its latest ask: a later ask replaces it, and
//   one the driver takes ends it.
// - A request whose caller is answered with success whatever the driver did
//   is owed until the driver takes it (IfRefused::Owe). One whose refusal is
//   answered with an error is not applied (IfRefused::Drop).
// - A device that did not open is a refusal, never the driver's answer. An
//   ask (something set) refused as invalid is final: the driver has no such
//   thing, nothing of it is on the board, and asked again it would be
//   refused for ever.
// - A refusal that is not owed (refused as invalid, or answered with an
//   error) changes nothing else: what the key owed before stays owed, and
//   the caller puts its own record back (Outcome::dropped). An owed ask
//   dropped at its retry leaves the key owing nothing, though it may have
//   replaced an undo: the caller sends what its records hold where the
//   driver took something else.
// - An undo (a switch-off, a stop, a reset, a removal, bits cleared)
//   carries no value of its own. It is owed whatever the error while the
//   driver holds what it undoes, as the owner's holds() tells from what the
//   driver took for the key (IfRefused::Undo). An undo of nothing held is
//   final when refused as invalid, like an ask, and leaves the key owing
//   nothing: what it undoes is not on the board, and no older ask of the key
//   may put it there.
// - A value is always someone's ask: one sent for a half other than as its
//   new ask (its tone given back, its settings sent back, what a dropped
//   retry brings back, a mask that sets a bit the device did not take) is
//   that half's ask, IfRefused::Owe: refused as invalid, it leaves that
//   half's record as an ask does, whether or not the driver took it before,
//   and the plain undo is asked in its place where no value is left to
//   send. An Undo that carries a value would be owed for ever by a driver
//   that refuses the value for good.
// - Each key's failure writes its own line (FailureLine), and keeps its last
//   error while anything on its timeslot or channel is owed.
// - Pays send at most perSecond requests in any second, the open's pay and
//   what each request sent brings with it included, one share for each
//   device node, so a driver refusing thousands of requests costs the loop
//   a bounded share, and the longest owed go first. What a request sent
//   brings with it is counted before it is sent: past the share, it waits,
//   owed, until the share has room again, even one answered with the
//   refusal.
#pragma once

#include "runtime/FailureLine.h"
#include "runtime/Timer.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

namespace Hardware {

// What one request to a board driver came to.
struct Outcome {
    enum Kind : std::uint8_t { Taken, Refused, Unopened };
    Kind kind = Taken;
    // Why it was not taken: the driver's errno, or the failed open's.
    int error = 0;
    // The driver's answer when taken (a version, a timeslot).
    int value = 0;

    // A refusal that the owed requests keep, to send again.
    bool owed = false;

    // A call just made, in the kernel's convention: below 0 is a refusal
    // whose reason errno holds.
    static Outcome Of(int result);
    static Outcome NotOpened(int error) { return {Unopened, error, 0, false}; }
    // Owed without being sent: its device rests, or the second's share is
    // spent.
    static Outcome Rested() { return {Unopened, 0, 0, true}; }
    bool taken() const { return kind == Taken; }
    // A refusal as invalid names what the driver does not have: nothing of
    // it stays on the board, and asked again it would be refused for ever.
    bool final() const { return kind == Refused && error == EINVAL; }
    // Neither taken nor owed: the board will never hold what was asked.
    bool dropped() const { return !taken() && !owed; }
};

// What the driver keeps one of: a timeslot or a channel, what there, and the
// unit of the device it is on, where the device has several.
struct RequestKey {
    std::uint32_t where;
    std::uint32_t what;
    std::uint32_t unit = 0;
    friend bool operator<(const RequestKey& a, const RequestKey& b) {
        return std::tie(a.unit, a.where, a.what) < std::tie(b.unit, b.where, b.what);
    }
};

class OwedRequests {
public:
    using Key = RequestKey;
    // The device itself, owed an open while something waits on it that is
    // no request (the detectors that live in a driver): no owner names a
    // timeslot so.
    static constexpr Key device{UINT32_MAX, UINT32_MAX};

    // One request, as its owner builds it.
    struct Request {
        // Sends it as asked, writing what its success writes.
        std::function<Outcome()> send;
        // Its failure line, when the driver refused it.
        std::function<void(const Outcome&)> refused;
        // Its own line when the device did not open, where it has one; the
        // open's line says it otherwise.
        std::function<void(const Outcome&)> unopened;
        // What its outcome calls for once noted, where anything does (the
        // switch-off of a channel whose octet was refused, a record put
        // back when a retry is dropped): after its line, so the log reads in
        // the order things happened.
        std::function<void(const Outcome&)> then = nullptr;
    };

    // What a refusal of the request leaves.
    enum class IfRefused {
        // Owed, unless refused as invalid: an ask answered with success.
        Owe,
        // Nothing: an ask answered with the refusal, and not applied.
        Drop,
        // Owed whatever the error while the driver holds what it undoes;
        // else as an ask, but final for the key. Only for a request that
        // carries no value of its own.
        Undo,
    };

    // What the pays of a second send at most, every device's the same.
    static constexpr std::size_t perSecond = 128;

    // holds tells whether the driver holds something for the key, from
    // what it took: what an undo of the key would remove. One device node
    // has one: the owners that share a node share its owed requests.
    explicit OwedRequests(std::function<bool(const Key&)> holds = nullptr);
    OwedRequests(const OwedRequests&) = delete;
    OwedRequests& operator=(const OwedRequests&) = delete;

    // Sends the request now; what the key owes follows the rules above.
    Outcome Ask(const Key& key, Request request, IfRefused refused);
    // Owes the request without sending it now (its device rests), and tells
    // its follow-up so.
    Outcome Owe(const Key& key, Request request, IfRefused refused);
    // The key owes nothing any more: what it asked is moot.
    void Forget(const Key& key);
    void ForgetIf(const std::function<bool(const Key&)>& which);
    bool Owes(const Key& key) const;
    bool OwesAny(const std::function<bool(const Key&)>& which) const;
    // While a pay sends: the failures met are retries'.
    bool Paying() const { return paying; }
    // Sends what is owed again, the longest owed first, within the second's
    // share; stops at the first whose device does not open, since nothing
    // else would reach it either. A pay asked for while one runs is that
    // one. What the driver refused within the last second waits for the
    // second to pass unless now picks its key (a removal still owed, which
    // would refuse the create that asks for the pay).
    void Pay(const std::function<bool(const Key&)>& now = nullptr);
    // Sends the key's owed request once more now, though the driver refused
    // it within the second: the last try of an owner that gives it up
    // otherwise (a dial's step at its bound), whose follow-up hears what it
    // came to. It is the owner's own, paced by the owner as its asks are, so
    // the pays' share neither counts nor stops it; its failure line is a
    // retry's.
    void Retry(const Key& key);

private:
    struct Entry {
        std::optional<Request> owed;
        // What a refusal of the owed request leaves.
        IfRefused refused = IfRefused::Owe;
        // When it was last asked or sent: orders the pays.
        std::uint64_t order = 0;
        // When the driver last refused it, on the loop's millisecond clock:
        // its retry waits a second from then.
        std::optional<std::uint32_t> refusedAt;
        FailureLine line;
    };

    // What the key owes once a request came to outcome: a new ask, or the
    // owed one sent again. Returns the outcome marked owed where it is.
    Outcome Note(const Key& key, Entry& entry, Request request, Outcome outcome, IfRefused refused,
                 bool again);
    void Owe(Entry& entry, Request request, IfRefused refused);
    // The key's owed request, asked with order, sent again while paying.
    Outcome Resend(const Key& key, std::uint64_t order);
    // Whether the share of the last second is spent; Count: one more
    // request sent.
    bool Spent() const;
    void Count();
    // The milliseconds the entry's retry still waits for: 0 when due.
    static std::uint32_t Rests(const Entry& entry);
    // The next tick comes within that many milliseconds, whatever was armed
    // before.
    void Wake(std::uint32_t within = tickMs);
    // Each second while anything is owed or paced: a pay, and the paces
    // that lapsed are forgotten.
    void Tick();

    static constexpr unsigned tickMs = 1000;

    const std::function<bool(const Key&)> holds;
    std::map<Key, Entry> entries;
    std::uint64_t asks = 0;
    bool paying = false;
    // When the pays sent their latest requests, oldest first: at most
    // perSecond, the share's count over the last second.
    std::deque<std::uint32_t> paid;
    Timer tick;
    // When the tick is due, on the loop's millisecond clock.
    std::uint32_t tickAt = 0;
};

}  // namespace Hardware
