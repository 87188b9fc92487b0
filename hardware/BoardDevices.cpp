#include "hardware/BoardDevices.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#ifdef HALVOX_BOARD_SIM
#include "hardware/BoardSim.h"
#include "hardware/BoardSimControl.h"
#endif

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

#ifdef HALVOX_BOARD_SIM
Sim* chosenSimulation = nullptr;
SimControl* control = nullptr;

// The init file runs before the control socket opens, so a test that waits
// for the socket finds the board's start-up state in place.
Sim* StartSimulation() {
    Sim* sim = new Sim;
    if (const char* init = std::getenv("HALVOXD_BOARD_INIT")) sim->RunFile(init);
    if (const char* path = std::getenv("HALVOXD_BOARD_CTL")) control = new SimControl(*sim, path);
    return sim;
}
#endif

Devices* Choose() {
#ifdef HALVOX_BOARD_SIM
    const char* board = std::getenv("HALVOXD_BOARD");
    if (board && std::strcmp(board, "sim") == 0) return chosenSimulation = StartSimulation();
#endif
    return new KernelDevices;
}

}  // namespace

Devices& devices() {
    static Devices* const chosen = Choose();
    return *chosen;
}

#ifdef HALVOX_BOARD_SIM
Sim* simulation() {
    devices();
    return chosenSimulation;
}
#endif

}  // namespace Board
