#include "hardware/DriverEvents.h"

#include "hardware/BoardDevices.h"
#include "runtime/MuxClock.h"

#include <cassert>
#include <cerrno>
#include <iostream>
#include <poll.h>
#include <utility>

namespace Hardware {

namespace {

constexpr unsigned retryMs = 1000;

}  // namespace

DriverDevice::DriverDevice(Event& event, const char* path, int flags, const char* failure,
                           const char* name, std::function<bool()> listening,
                           std::function<void()> opened)
    : event(event),
      path(path),
      flags(flags),
      failure(failure),
      name(name),
      listening(std::move(listening)),
      opened(std::move(opened)) {
    settle.Bind(this, &DriverDevice::Opened);
}

bool DriverDevice::Open() { return Open(false); }

bool DriverDevice::Open(bool retrying) {
    if (event.IsActive()) return true;
    // The descriptor opened goes when this returns: the watch keeps its copy,
    // and a device it could not copy is closed as one that did not open.
    const Fd device(Board::devices().open(path, flags));
    const int error = device ? Watch(event, device, POLLIN) : errno;
    if (error) {
        if ((!retrying || error != written) && failures.Due()) {
            std::cerr << failure << Errno(error) << std::endl;
            written = error;
        }
        return false;
    }
    written = 0;
    settle.Activate();
    if (lost) {
        lost = false;
        resting = false;
        retry.reset();
        reopened = true;
        reopenedMs = Mux::milliseconds();
        std::clog << "open " << name << " again: done" << std::endl;
    }
    return true;
}

// The receivers that listened may have gone meanwhile: then the device waits
// for the next request. An open device that refused what the owner owes it
// is asked again. One never opened yet is opened for it as one given up is:
// what is owed would otherwise wait for a request that may never come.
void DriverDevice::Retry() {
    resting = false;
    if (event.IsActive()) {
        Resend();
        return;
    }
    if (listening() && !Open(true)) retry.set(retryMs, &DriverDevice::Retry, this);
}

void DriverDevice::Await() {
    if (!retry.is_running()) retry.set(retryMs, &DriverDevice::Retry, this);
}

// The device may have been given up again before the pass came.
void DriverDevice::Opened() {
    settle.Deactivate();
    if (event.IsActive()) Resend();
}

// What the owner owes goes again each second while the driver refuses it:
// one line for each would be one a second for each thing owed, for ever.
void DriverDevice::Resend() {
    resending = true;
    opened();
    resending = false;
}

// A driver that fails at every open would have the loop open and give it up
// at once, for ever: given up again within a second of its reopening, it
// waits for the next retry.
void DriverDevice::Read(int fd, short revents, std::size_t size,
                        const std::function<void(const void*)>& record) {
    if (ReadDriverEvents(fd, revents, size, name, record)) return;
    event.Release();
    lost = true;
    if (reopened && std::uint32_t(Mux::milliseconds() - reopenedMs) < retryMs) {
        resting = true;
        retry.set(retryMs, &DriverDevice::Retry, this);
    } else {
        Retry();
    }
}

int DriverDevice::Sent(int result, const Line& fail) {
    if (result == -1 && fail && (!resending || resent.Due())) {
        ErrnoSuffix e;
        fail(std::cerr);
        std::cerr << e << std::endl;
    }
    return result;
}

int DriverDevice::Request(unsigned long request, void* record, const Line& fail) {
    if (!Open()) return -1;
    return Sent(Board::devices().ioctl(event.lowlevel_fd(), request, record), fail);
}

int DriverDevice::RequestValue(unsigned long request, unsigned long value, const Line& fail) {
    if (!Open()) return -1;
    return Sent(Board::devices().ioctlValue(event.lowlevel_fd(), request, value), fail);
}

bool DriverDevice::OpenedFor(const char* noDevice, unsigned ts) {
    if (Open()) return true;
    if (refusals.Due()) std::cerr << noDevice << " timeslot=" << ts << std::endl;
    return false;
}

std::ostream& operator<<(std::ostream& out, const ErrnoSuffix& suffix) {
    return out << " errno=\"" << suffix.error << '"';
}

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
