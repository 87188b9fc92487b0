// The board's drivers as the daemon reaches them: every open, request, read
// and write on a device node goes through Board::devices(), so a simulated
// board can stand in for the kernel on a machine without the drivers.
// Descriptors are ordinary ones: poll() them through Event, close them
// through Fd or close().
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace Board {

// The kernel's conventions throughout: -1 with errno set on failure.
class Devices {
public:
    virtual ~Devices() = default;
    // A close-on-exec descriptor of the device node.
    virtual int open(const char* path, int flags) = 0;
    // A request whose argument is a pointer to its record.
    virtual int ioctl(int fd, unsigned long request, void* record) = 0;
    // A request whose argument is the value itself (or no argument: 0).
    virtual int ioctlValue(int fd, unsigned long request, unsigned long value) = 0;
    virtual ssize_t read(int fd, void* buffer, std::size_t length) = 0;
    virtual ssize_t write(int fd, const void* data, std::size_t length) = 0;
    // The echo buses (0..15) that carry echo channels, one bit per bus. No
    // driver request reports them, so the board's own layer finds none.
    virtual unsigned EchoBusMask() { return 0; }
    // Called in the process that goes on after the daemon's fork for the
    // background, whose parent exits at once without its exit handlers:
    // what the board leaves for its process to remove at exit (the
    // simulated board's control socket) is this process's from now on. A
    // process merely forked from the daemon is never told, and removes
    // nothing.
    virtual void TakeOver() {}
};

// Created on first use and never destroyed, so static objects may use it in
// their destructors. "HALVOXD_BOARD=sim" in the environment at that first
// use selects the simulated board when one was offered; otherwise every call
// goes to the kernel (see Refusal).
Devices& devices();
// The board's own drivers, through the kernel; also never destroyed.
Devices& kernelDevices();

// A simulated board linked into the program offers itself here from its
// static initialisation, before anything uses devices(); start is called at
// most once, when the environment chooses it. The board layer thereby owns
// the choice while only the programs that want the simulation link it. An
// offer after the choice was made aborts: the choice would silently differ
// from what the environment asked for.
using SimulationStart = Devices* (*)();
void OfferSimulation(SimulationStart start);
// Why the board that "HALVOXD_BOARD" names cannot be driven, in words: "sim"
// with no simulated board offered, or a value naming no board at all (an
// empty one too). Empty when it can: "sim" offered, or unset for the
// board's own drivers. devices() goes to the kernel whatever the value, so
// the daemon asks first and refuses to start on a board it was not asked
// to drive.
std::string Refusal();

// The size of the record a request number carries, in the board's encoding
// (13 bits from bit 16); the driver headers check their records against it.
constexpr std::size_t requestSize(unsigned long request) { return (request >> 16) & 0x1FFF; }

}  // namespace Board
