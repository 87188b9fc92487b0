// The reading of a driver's event stream in whole records.
#pragma once

#include <cstddef>
#include <functional>

namespace Hardware {

// Reads every record of `size` octets waiting on the non-blocking descriptor
// and hands each to `record`, which may destroy whatever it likes except the
// reader's caller. A short record is dropped with a line. The driver is gone
// when its stream ends (a read of 0), when a read fails with anything but
// EAGAIN or EINTR, or when poll() reports POLLERR or POLLHUP with nothing to
// read: that is logged once and false returned, so the caller releases a
// descriptor that poll() would otherwise report again at once, for ever.
// `device` names the driver in the lines ("fail to read from <device>:
// ..."). When the driver is gone, a non-null `cause` is set to why, as an
// error number: the failed read's, ENODEV at the end of the stream, EIO for
// POLLERR or POLLHUP.
[[nodiscard]] bool ReadDriverEvents(int fd, short revents, std::size_t size, const char* device,
                                    const std::function<void(const void*)>& record,
                                    int* cause = nullptr);

}  // namespace Hardware
