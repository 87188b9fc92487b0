#include "runtime/Event.h"

#include <cerrno>

Event::~Event() {
    delete handler;
    if (fd.is_valid()) mux_detach();
}

void Event::Bind(Handler* h) {
    if (h == handler) return;
    delete handler;
    handler = h;
}

void Event::Schedule(const Fd& descriptor, short events) {
    if (fd.is_valid()) mux_detach();
    fd = descriptor;
    mask = events;
    if (fd.is_valid()) mux_attach();
}

// When the watch does not take, the failed copy is the last call Schedule()
// made: assigning over its old descriptor leaves errno alone.
int Watch(Event& event, const Fd& fd, short events) {
    event.Schedule(fd, events);
    if (event.IsActive()) return 0;
    return fd ? errno : EBADF;
}

int Event::Release() {
    if (fd.is_valid()) mux_detach();
    return fd.close();
}

void Event::shedule_event(pollfd& entry) {
    entry.fd = fd.lowlevel_fd();
    entry.events = mask;
}

// Nothing of the Event is touched after the handler returns: the handler may
// release, re-schedule or destroy this very Event.
void Event::svc_event(short revents) {
    if (revents & mask) ++count;
    if (handler) handler->Invoke(fd.lowlevel_fd(), revents);
}
