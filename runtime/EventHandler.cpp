#include "runtime/EventHandler.h"

#include "runtime/Multiplexer.h"

EventHandler::~EventHandler() { mux_detach(); }

std::string EventHandler::event_name() const { return "unknown"; }

bool EventHandler::is_named() const { return false; }

void EventHandler::mux_attach() {
    if (attached) return;
    multiplexer.attach(this);
    attached = true;
}

void EventHandler::mux_detach() {
    if (!attached) return;
    multiplexer.detach(this);
    attached = false;
}
