// What the two receiver services share around their drivers: the tail of
// their failure lines and the reading of a driver's event stream in whole
// records.
#pragma once

#include "runtime/Errno.h"

#include <cstddef>
#include <functional>
#include <ostream>

namespace Hardware {

// ` errno="<system text>"`, taken when constructed, right after the failed call.
struct ErrnoSuffix {
    Errno error;
};
std::ostream& operator<<(std::ostream& out, const ErrnoSuffix& suffix);

// Reads every record of `size` octets waiting on the non-blocking descriptor
// and hands each to `record`, which may destroy whatever it likes except the
// reader's caller. A short record is dropped with a line, a read error other
// than EAGAIN is logged. The end of the stream (a read of 0), or POLLERR or
// POLLHUP with nothing to read or a failed read, means the driver is gone:
// that is logged and
// false returned, so the caller stops watching a descriptor that poll()
// would otherwise report again at once, for ever. `device` names the driver
// in the lines ("fail to read from <device>: ...").
[[nodiscard]] bool ReadDriverEvents(int fd, short revents, std::size_t size, const char* device,
                                    const std::function<void(const void*)>& record);

}  // namespace Hardware
