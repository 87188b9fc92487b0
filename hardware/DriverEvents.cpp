#include "hardware/DriverEvents.h"

#include "hardware/BoardDevices.h"
#include "runtime/Errno.h"

#include <cassert>
#include <cerrno>
#include <iostream>
#include <poll.h>

namespace Hardware {

bool ReadDriverEvents(int fd, short revents, std::size_t size, const char* device,
                      const std::function<void(const void*)>& record, int* cause) {
    auto gone = [cause](int error) {
        if (cause) *cause = error;
        return false;
    };
    if (!(revents & POLLIN)) {
        if (!(revents & (POLLERR | POLLHUP))) return true;
        std::cerr << "fail to read from " << device << ": device error" << std::endl;
        return gone(EIO);
    }
    alignas(8) unsigned char buffer[32];
    assert(size <= sizeof buffer);
    for (;;) {
        ssize_t got = Board::devices().read(fd, buffer, size);
        if (got < 0) {
            Errno e;
            // Interrupted, the records wait for the next poll(), which comes at once.
            if (e.value() == EAGAIN || e.value() == EINTR) return true;
            std::cerr << "fail to read from " << device << ": " << e << std::endl;
            return gone(e.value());
        }
        if (got == 0) {
            std::cerr << "fail to read from " << device << ": end of stream" << std::endl;
            return gone(ENODEV);
        }
        if (std::size_t(got) < size) {
            std::cerr << "fail to read from " << device << ": short record of " << got
                      << " octets dropped" << std::endl;
            continue;
        }
        record(buffer);
    }
}

}  // namespace Hardware
