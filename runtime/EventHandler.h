// The main loop's side of a watched descriptor: what the loop keeps in its
// handler lists, asks for a poll entry and calls with the returned events.
#pragma once

#include "runtime/F_dual_list.h"

#include <poll.h>
#include <string>

class Multiplexer;

class EventHandler : public F_dual_list_item<EventHandler> {
public:
    EventHandler() = default;
    EventHandler(const EventHandler&) = delete;
    EventHandler& operator=(const EventHandler&) = delete;
    // Leaves the loop if still attached, so the loop never keeps a dead handler.
    virtual ~EventHandler();

    // Fills in the descriptor and the requested events of one poll entry.
    virtual void shedule_event(pollfd& entry) = 0;
    virtual void svc_event(short revents) = 0;
    virtual std::string event_name() const;
    virtual bool is_named() const;

    void mux_attach();
    void mux_detach();
    // Handles the events the loop stored for this handler.
    void svc_event() { svc_event(revents); }

private:
    friend class Multiplexer;
    enum class Place : unsigned char { none, pending, active };

    bool attached = false;
    short revents = 0;
    // Which loop list holds the handler, and its entry in the poll set while
    // it is active: the loop finds both without searching.
    Place place = Place::none;
    unsigned pollIndex = 0;
};
