#include "runtime/Multiplexer.h"

#include "runtime/ConstInit.h"
#include "runtime/Errno.h"
#include "runtime/MuxClock.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <type_traits>
#include <unistd.h>

// Ready before any dynamic initialisation and never destroyed, so static
// objects of every translation unit may attach and detach in their own
// constructors and destructors.
HALVOX_CONSTINIT Multiplexer multiplexer;
static_assert(std::is_trivially_destructible<Multiplexer>::value,
              "the loop must outlive every static object that uses it");

namespace {

// "No deadline" among waits in milliseconds.
const std::int32_t noWait = 2147483647;
// The longest timer wait the loop believes; a longer one means a broken expiry.
const std::int32_t longestWait = 7200000;
// The longest poll while the watchdog is open.
const int watchdogPollMs = 1000;
const char watchdogPath[] = "/dev/misc/gw-wd";
// The pause before an open that ran short of descriptors or memory is tried
// again, as the controller's listener waits.
const int watchdogRetryMs = 5000;

}  // namespace

// Asks every plugin once. A plugin that unhooks during the scan is dropped
// from both lists; one hooked during the scan is first asked in the next.
class Multiplexer::TimerPollGuard : public Multiplexer::TimerPollNotify {
public:
    explicit TimerPollGuard(F_dual_list<TimerPoolPlugin>& hooked) : plugins(hooked) {}

    std::int32_t schedule() {
        std::int32_t result = noWait;
        notAsked.merge(plugins);
        while (TimerPoolPlugin* plugin = notAsked.remove_from_head()) {
            plugins.push_back(plugin);
            std::int32_t wait = plugin->timerPoll();
            if (wait >= 0 && wait < result) result = wait;
        }
        return result;
    }

    void removeTimerPoolPlugin(TimerPoolPlugin* plugin) override {
        for (TimerPoolPlugin* waiting : notAsked)
            if (waiting == plugin) {
                notAsked.remove(plugin);
                return;
            }
        plugins.remove(plugin);
    }

private:
    F_dual_list<TimerPoolPlugin>& plugins;
    F_dual_list<TimerPoolPlugin> notAsked;
};

void Multiplexer::run(bool watchdog, bool no_time_cache) {
    lastPing = 0;
    watchdogOwed = false;
    if (watchdog) open_watchdog();
    timeCache = !no_time_cache;
    if (timeCache) Mux::mux_settimeofday();
    while (!terminating) iteration();
    std::clog << "Mux: terminating..." << std::endl;
    close_watchdog();
    watchdogOwed = false;
    if (timeCache) Mux::g_tv_time = Mux::timeval();
    timeCache = false;
    terminating = 0;
}

void Multiplexer::iteration() {
    std::int32_t timerWait = timers_schedule();
    if (terminating) return;
    std::int32_t timeout = std::min(timerWait, timerPoll_schedule());
    if (terminating) return;
    if (timeout == noWait) timeout = -1;
    build_poll_set();
    if (timeout < 0 && pollCount == 0) {
        std::cerr << "multiplexer: system hang detected!!!" << std::endl;
        std::abort();
    }
    if (watchdogFd >= 0 && (timeout < 0 || timeout > watchdogPollMs)) timeout = watchdogPollMs;
    timeout = watchdog_retry_wait(timeout);
    execute_dpc();
    if (terminating) return;

    int ready = ::poll(pollSet, pollCount, timeout);
    Errno pollErrno;
    if (timeCache) Mux::mux_settimeofday();
    retry_watchdog();
    ping_watchdog();
    if (ready > 0) {
        dispatch();
    } else if (ready < 0 && pollErrno.value() != EINTR) {
        std::cerr << "multiplexer poll failed: " << pollErrno << std::endl;
        std::abort();
    }
}

// Every active handler is called after a poll() that reported anything; each
// tests its own events. A handler may detach or destroy itself or any other
// handler meanwhile: the pass only follows links of handlers still attached.
void Multiplexer::dispatch() {
    for (EventHandler* handler = *active.begin(); handler && !terminating; handler = dispatchNext) {
        dispatchNext = handler->get_next();
        handler->revents = pollSet[handler->pollIndex].revents;
        eventMeasure.begin();
        handler->svc_event();
        eventMeasure.end();
    }
    dispatchNext = nullptr;
}

std::int32_t Multiplexer::timers_schedule() {
    std::uint32_t now = Mux::milliseconds();
    // With the time cache the clock stands still during the pass, so a timer
    // re-armed with no delay would be due forever; the pass then fires no
    // more events than were pending when it began.
    unsigned budget = timeCache ? timers.count() : ~0u;
    for (; budget && !terminating && timers.count(); --budget) {
        TimerEvent* head = *timers.begin();
        if (std::int32_t(now - head->expiry) < 0) break;
        timerMeasure.begin();
        timers.remove(head);
        head->scheduled = false;
        head->fire();
        timerMeasure.end();
    }
    execute_dpc();
    if (!timers.count()) return noWait;

    std::uint32_t first = (*timers.begin())->expiry;
    std::int32_t wait = std::int32_t(first - now);
    if (wait >= 0 && wait <= longestWait) return wait;

    std::cerr << "******** RUNTIME ERROR CONDITION *************"
              << "Multiplexer::timers_schedule() invalid wait time detected!" << std::endl
              << "now = " << now << std::endl
              << "first = " << first << std::endl
              << "count = " << timers.count() << std::endl;
    for (TimerEvent* event : timers) event->expiry = now + watchdogPollMs;
    return watchdogPollMs;
}

// One pass over the deferred calls active when it starts: one activated
// during the pass waits for the next, one deactivated or destroyed before its
// turn is skipped.
void Multiplexer::execute_dpc() {
    for (Dpc* dpc : dpcs) dpc->queued = true;
    for (Dpc* dpc = *dpcs.begin(); dpc && !terminating; dpc = dpcNext) {
        dpcNext = dpc->get_next();
        if (!dpc->queued) continue;
        dpc->queued = false;
        dpcMeasure.begin();
        dpc->Invoke();
        dpcMeasure.end();
    }
    dpcNext = nullptr;
}

std::int32_t Multiplexer::timerPoll_schedule() {
    TimerPollGuard guard(plugins);
    pollGuard = &guard;
    std::int32_t wait = guard.schedule();
    pollGuard = nullptr;
    return wait;
}

// Poll entries are paired with their handlers by the index each handler
// keeps, so a handler that leaves before dispatch shifts nobody's events.
void Multiplexer::build_poll_set() {
    while (EventHandler* handler = pending.remove_from_head()) {
        handler->place = EventHandler::Place::active;
        active.push_back(handler);
    }
    pollCount = active.count();
    if (pollCount > pollCapacity) {
        unsigned capacity = std::max(pollCount, 2 * pollCapacity);
        pollfd* grown = new pollfd[capacity];
        delete[] pollSet;
        pollSet = grown;
        pollCapacity = capacity;
    }
    unsigned index = 0;
    for (EventHandler* handler : active) {
        pollfd& entry = pollSet[index];
        entry = pollfd{-1, 0, 0};
        handler->shedule_event(entry);
        entry.revents = 0;
        handler->pollIndex = index++;
    }
}

void Multiplexer::ping_watchdog() {
    std::uint32_t now = Mux::milliseconds();
    if (lastPing != 0 && lastPing <= now && now - lastPing <= 999) return;
    resetWD();
    lastPing = now;
}

void Multiplexer::resetWD() {
    if (watchdogFd < 0 || ::write(watchdogFd, "PING", 4) >= 0) return;
    Errno error;
    std::cerr << "Mux: ping watchdog failed: " << error << std::endl;
}

void Multiplexer::open_watchdog() {
    int fd = ::open(watchdogPath, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        Errno error;
        watchdogOwed = error.IsShortage();
        std::cerr << "Mux: fail to open watchdog: " << error;
        if (watchdogOwed) {
            std::cerr << ", trying again in " << watchdogRetryMs << " ms";
            watchdogRetryAt = Mux::milliseconds() + watchdogRetryMs;
        }
        std::cerr << std::endl;
        return;
    }
    watchdogOwed = false;
    if (::write(fd, "START", 5) < 0) {
        Errno error;
        std::cerr << "Mux: fail to activate watchdog: " << error << std::endl;
        ::close(fd);
        return;
    }
    watchdogFd = fd;
}

// A watchdog opened late is fed at once, as one opened at the start is
// after the first poll.
void Multiplexer::retry_watchdog() {
    if (!watchdogOwed || std::int32_t(Mux::milliseconds() - watchdogRetryAt) < 0) return;
    open_watchdog();
    if (watchdogFd >= 0) lastPing = 0;
}

// Comes after the hang check: a loop with nothing else to wait for is hung
// whether or not its watchdog is owed.
int Multiplexer::watchdog_retry_wait(int timeout) const {
    if (!watchdogOwed) return timeout;
    const int wait = std::max(0, int(std::int32_t(watchdogRetryAt - Mux::milliseconds())));
    return timeout < 0 ? wait : std::min(timeout, wait);
}

void Multiplexer::close_watchdog() {
    if (watchdogFd < 0) return;
    if (::write(watchdogFd, "STOP", 4) < 0) {
        Errno error;
        std::cerr << "Mux: stop watchdog failed: " << error << std::endl;
    }
    ::close(watchdogFd);
    watchdogFd = -1;
}

void Multiplexer::attach(EventHandler* handler) {
    if (event_exists(handler)) {
        std::cerr << "duplicate multiplexer attach " << std::flush;
        std::cerr << '"' << handler->event_name() << "\" ignored." << std::endl;
        return;
    }
    handler->place = EventHandler::Place::pending;
    pending.push_back(handler);
}

void Multiplexer::detach(EventHandler* handler) {
    switch (handler->place) {
        case EventHandler::Place::pending:
            pending.remove(handler);
            break;
        case EventHandler::Place::active:
            if (handler == dispatchNext) dispatchNext = handler->get_next();
            // A poll not yet made must not watch a descriptor that may be
            // closed, or reused, by now.
            if (handler->pollIndex < pollCount) pollSet[handler->pollIndex].fd = -1;
            active.remove(handler);
            break;
        case EventHandler::Place::none:
            std::cerr << "indvalid Multiplexer::detach " << std::flush;
            std::cerr << handler->event_name() << std::endl;
            return;
    }
    handler->place = EventHandler::Place::none;
}

bool Multiplexer::event_exists(EventHandler* handler) const {
    return handler->place != EventHandler::Place::none;
}

void Multiplexer::set(TimerEvent* event) {
    reset(event);
    timers.insert_to_tail_by_grown(event);
    event->scheduled = true;
}

void Multiplexer::reset(TimerEvent* event) {
    if (!event->scheduled) return;
    timers.remove(event);
    event->scheduled = false;
}

void Multiplexer::attach(Dpc* dpc) {
    Dpc* before = *dpcs.last();
    while (before && std::less<Dpc*>()(dpc, before)) before = before->get_prev();
    if (before == dpc) return;
    dpc->queued = false;
    if (before)
        dpcs.insert_after(before, dpc);
    else
        dpcs.insert_to_head(dpc);
}

void Multiplexer::dettach(Dpc* dpc) {
    if (dpc == dpcNext) dpcNext = dpc->get_next();
    dpcs.remove(dpc);
    dpc->queued = false;
}

void Multiplexer::hook(TimerPoolPlugin* plugin) { plugins.push_back(plugin); }

void Multiplexer::unhook(TimerPoolPlugin* plugin) {
    if (pollGuard)
        pollGuard->removeTimerPoolPlugin(plugin);
    else
        plugins.remove(plugin);
}
