#include "hardware/BoardDevices.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace Board {

namespace {

class KernelDevices final : public Devices {
public:
    int open(const char* path, int flags) override { return ::open(path, flags | O_CLOEXEC); }
    int ioctl(int fd, unsigned long request, void* record) override {
        return ::ioctl(fd, request, record);
    }
    int ioctlValue(int fd, unsigned long request, unsigned long value) override {
        return ::ioctl(fd, request, value);
    }
    ssize_t read(int fd, void* buffer, std::size_t length) override {
        return ::read(fd, buffer, length);
    }
    ssize_t write(int fd, const void* data, std::size_t length) override {
        return ::write(fd, data, length);
    }
};

}  // namespace

Devices& kernelDevices() {
    static Devices* const kernel = new KernelDevices;
    return *kernel;
}

// With the simulated board built in, it chooses between itself and the
// kernel (hardware/sim); a board build has only the kernel's.
#ifndef HALVOX_BOARD_SIM
Devices& devices() { return kernelDevices(); }
#endif

}  // namespace Board
