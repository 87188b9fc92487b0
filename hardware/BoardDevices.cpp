#include "hardware/BoardDevices.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
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

namespace {

// Both constant-initialised, so an offer from any static initialiser finds
// them in place whatever the order of the translation units.
SimulationStart simulationStart = nullptr;
bool chosen = false;

const char* BoardAsked() { return std::getenv("HALVOXD_BOARD"); }

bool SimulationAsked() {
    const char* board = BoardAsked();
    return board && std::strcmp(board, "sim") == 0;
}

Devices* Choose() {
    chosen = true;
    if (SimulationAsked() && simulationStart) return simulationStart();
    return &kernelDevices();
}

}  // namespace

Devices& devices() {
    static Devices* const choice = Choose();
    return *choice;
}

void OfferSimulation(SimulationStart start) {
    if (chosen) {
        std::cerr << "board: the simulated board was offered after the board was chosen"
                  << std::endl;
        std::abort();
    }
    simulationStart = start;
}

std::string Refusal() {
    if (SimulationAsked())
        return simulationStart ? "" : "the simulated board is not built in (HALVOXD_BOARD=sim)";
    const char* board = BoardAsked();
    if (!board) return "";
    return std::string("HALVOXD_BOARD=") + board +
           " names no board this daemon knows (sim, or unset for the board's own devices)";
}

}  // namespace Board
