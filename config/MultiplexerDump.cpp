#include "config/Profile.h"
#include "config/Table.h"
#include "runtime/Event.h"
#include "runtime/Multiplexer.h"

#include <poll.h>

std::string PollEventAsText(short events) {
    static const struct {
        short bit;
        const char* text;
    } names[] = {
        {POLLIN, "|POLLIN"},         {POLLPRI, "|POLLPRI"},       {POLLOUT, "|POLLOUT"},
        {POLLERR, "|POLLERR"},       {POLLHUP, "|POLLHUP"},       {POLLNVAL, "|POLLNVAL"},
        {POLLRDNORM, "|POLLRDNORM"}, {POLLRDBAND, "|POLLRDBAND"}, {POLLWRNORM, "|POLLWRNORM"},
        {POLLWRBAND, "|POLLWRBAND"}, {POLLMSG, "|POLLMSG"},
    };
    std::string text;
    for (const auto& name : names)
        if (events & name.bit) text += name.text;
    return text.empty() ? text : text.substr(1);
}

void Multiplexer::dump(std::ostream& os) const {
    os << "dpc transition measurement (min/max/cur/counter): " << dpcMeasure << std::endl;
    os << "event transition measurement (min/max/cur/counter): " << eventMeasure << std::endl;
    os << "timer transition measurement (min/max/cur/counter): " << timerMeasure << std::endl;
    Profile::dump(os);

    ext::Table table(40, 30, 10, 10, 5, 60);
    os << table << ext::delimeter;
    os << table << ext::beginrow << "name" << ext::nextrow << "events" << ext::nextrow << "count"
       << ext::nextrow << "handler" << ext::nextrow << "fd" << ext::nextrow << "measure"
       << ext::nextrow;
    os << table << ext::delimeter;
    // Handlers attached since the poll set was last built are not listed yet.
    for (EventHandler* handler : active) {
        if (!handler->is_named()) continue;
        const Event* event = dynamic_cast<const Event*>(handler);
        if (!event) continue;
        os << table << ext::beginrow << event->event_name() << ext::nextrow
           << PollEventAsText(event->GetEvents()) << ext::nextrow << event->GetCount()
           << ext::nextrow << (event->IsBound() ? "attached" : "unattached") << ext::nextrow
           << event->lowlevel_fd() << ext::nextrow << event->measure() << ext::nextrow;
    }
    os << table << ext::delimeter;
    os << std::endl;
}
