// What the two receiver services share around their drivers: opening a
// driver and watching its event stream, the tail of their failure lines, and
// the reading of the stream in whole records.
#pragma once

#include "runtime/Errno.h"
#include "runtime/Event.h"

#include <cstddef>
#include <functional>
#include <ostream>

namespace Hardware {

// Unless event watches a descriptor already, opens the device node and
// watches it for POLLIN (event's handler is bound by its owner). A failure to
// open it or to watch it writes `failure` and the errno text on std::cerr.
// True when watched.
bool WatchDriver(Event& event, const char* path, int flags, const char* failure);
// For the operations that open a closed device again: false, with the
// operation's "<noDevice> timeslot=<ts>" line on std::cerr, when not open.
bool OpenedFor(bool open, const char* noDevice, unsigned ts);

// ` errno="<system text>"`, taken when constructed, right after the failed call.
struct ErrnoSuffix {
    Errno error;
};
std::ostream& operator<<(std::ostream& out, const ErrnoSuffix& suffix);

// Reads every record of `size` octets waiting on the non-blocking descriptor
// and hands each to `record`, which may destroy whatever it likes except the
// reader's caller. A short record is dropped with a line. The driver is gone
// when its stream ends (a read of 0), when a read fails with anything but
// EAGAIN or EINTR, or when poll() reports POLLERR or POLLHUP with nothing to
// read: that is logged once and false returned, so the caller releases a
// descriptor that poll() would otherwise report again at once, for ever, and
// opens the device again at its next use. `device` names the driver in the
// lines ("fail to read from <device>: ..."). When the driver is gone, a
// non-null `cause` is set to why, as an error number: the failed read's,
// ENODEV at the end of the stream, EIO for POLLERR or POLLHUP.
[[nodiscard]] bool ReadDriverEvents(int fd, short revents, std::size_t size, const char* device,
                                    const std::function<void(const void*)>& record,
                                    int* cause = nullptr);

}  // namespace Hardware
