// The main loop: the one thread's poll() loop that fires due timers, runs the
// deferred calls, waits on every attached descriptor and hands the returned
// events to their handlers, keeping the board's watchdog alive meanwhile. A
// watchdog that cannot be opened for want of descriptors or memory is tried
// again every 5000 ms until it opens; any other failure leaves the loop
// without one.
#pragma once

#include "runtime/Dpc.h"
#include "runtime/EventHandler.h"
#include "runtime/F_dual_list.h"
#include "runtime/F_sorted_list.h"
#include "runtime/Measure.h"
#include "runtime/TimerEvent.h"
#include "runtime/TimerPoolPlugin.h"

#include <csignal>
#include <cstdint>
#include <ostream>
#include <string>

class Multiplexer {
public:
    // Lets the plugin scan in progress drop a plugin that unhooks meanwhile.
    class TimerPollNotify {
    public:
        virtual ~TimerPollNotify() = default;
        virtual void removeTimerPoolPlugin(TimerPoolPlugin* plugin) = 0;
    };

    // Constant initialisation and no destructor work: the global loop can be
    // used from any static constructor and destructor, in any order.
    constexpr Multiplexer() = default;
    Multiplexer(const Multiplexer&) = delete;
    Multiplexer& operator=(const Multiplexer&) = delete;

    // Runs until terminate(); a request made before the call is kept, and the
    // request is used up when run returns.
    void run(bool watchdog, bool no_time_cache);
    // Safe from a signal handler: it only sets the flag.
    void terminate() { terminating = 1; }
    // A stop asked for and not yet taken by run.
    bool IsTerminating() const { return terminating != 0; }
    // Writes "PING" to the watchdog when it is open; not rate-limited.
    void resetWD();

    // Called by EventHandler::mux_attach and mux_detach, which keep the
    // handler's attached flag; a duplicate attach or a detach of a handler
    // that is not attached is reported and changes nothing.
    void attach(EventHandler* handler);
    void detach(EventHandler* handler);
    bool event_exists(EventHandler* handler) const;

    // What the status dump shows: the handlers in the poll set, in poll-set
    // order, and the loop's three timing statistics.
    const F_dual_list<EventHandler>& active_handlers() const { return active; }
    const Measure& dpc_measure() const { return dpcMeasure; }
    const Measure& event_measure() const { return eventMeasure; }
    const Measure& timer_measure() const { return timerMeasure; }
    // The status table: the three measurements, the profiling points and one
    // row per Event of the poll set. Defined in config/, beside the text tables it
    // prints through; a program that dumps the loop links the configuration library.
    void dump(std::ostream& os) const;

private:
    friend class TimerEvent;
    friend class Dpc;
    friend class TimerPoolPlugin;
    class TimerPollGuard;

    // Timer list, by TimerEvent::schedule and reset.
    void set(TimerEvent* event);
    void reset(TimerEvent* event);
    // DPC list, by Dpc::Activate and Deactivate.
    void attach(Dpc* dpc);
    void dettach(Dpc* dpc);
    // Plugin list, by TimerPoolPlugin::timerHook and timerUnhook.
    void hook(TimerPoolPlugin* plugin);
    void unhook(TimerPoolPlugin* plugin);

    void iteration();
    void dispatch();
    std::int32_t timers_schedule();
    void execute_dpc();
    std::int32_t timerPoll_schedule();
    void build_poll_set();
    void ping_watchdog();
    void open_watchdog();
    // Opens the watchdog once its retry is due.
    void retry_watchdog();
    // The poll time-out shortened to the watchdog's retry, if one is owed.
    int watchdog_retry_wait(int timeout) const;
    void close_watchdog();

    F_sorted_list<TimerEvent> timers;
    // Attached since the poll set was last built.
    F_dual_list<EventHandler> pending;
    // In the poll set, in poll-set order.
    F_dual_list<EventHandler> active;
    // The poll set, reused from iteration to iteration. Kept by a plain
    // pointer so the loop has nothing to destroy at exit.
    pollfd* pollSet = nullptr;
    unsigned pollCount = 0;
    unsigned pollCapacity = 0;
    // The handler the dispatch pass in progress calls next.
    EventHandler* dispatchNext = nullptr;
    // Active deferred calls, in ascending address order, and the one the
    // pass in progress looks at next.
    F_dual_list<Dpc> dpcs;
    Dpc* dpcNext = nullptr;
    volatile std::sig_atomic_t terminating = 0;
    bool timeCache = false;
    Measure dpcMeasure;
    Measure eventMeasure;
    Measure timerMeasure;
    F_dual_list<TimerPoolPlugin> plugins;
    TimerPollNotify* pollGuard = nullptr;
    int watchdogFd = -1;
    // A watchdog asked for whose open ran short of descriptors or memory is
    // owed: it is opened again at watchdogRetryAt on the millisecond clock.
    bool watchdogOwed = false;
    std::uint32_t watchdogRetryAt = 0;
    // Millisecond clock at the last watchdog ping; 0 for none yet.
    std::uint32_t lastPing = 0;
};

extern Multiplexer multiplexer;

// The names of the poll bits set in events, joined by '|' ("POLLIN|POLLOUT");
// empty when none is set. Defined in config/ with the dump.
std::string PollEventAsText(short events);
