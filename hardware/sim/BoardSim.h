// The simulated board: the Devices of a machine without the board's drivers.
// Each open of a known device path gets a real descriptor (one end of a
// socket pair), so poll(), Event and close() work unchanged; requests and
// writes on it go to the small model of that device. An unknown path fails
// with ENOENT and an unknown request with ENOTTY, as on a board without that
// driver. Faults are injected here, in one place, and everything can be
// inspected and driven by text lines (Command) from in-process tests, from
// the control socket and from an init file.
#pragma once

#include "hardware/BoardDevices.h"
#include "hardware/sim/BoardSimDevice.h"
#include "runtime/Fd.h"

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Board {

class Sim final : public Devices {
public:
    // A board with every device model this build has, powered on.
    Sim();
    ~Sim() override;

    int open(const char* path, int flags) override;
    int ioctl(int fd, unsigned long request, void* record) override;
    int ioctlValue(int fd, unsigned long request, unsigned long value) override;
    ssize_t read(int fd, void* buffer, std::size_t length) override;
    ssize_t write(int fd, const void* data, std::size_t length) override;
    // What the HAL model's "echo-mask" was last set to.
    unsigned EchoBusMask() override;
    void TakeOver() override;
    // The process the board belongs to: the one that made it, until another
    // takes it over. Only that process removes what the board left in the
    // file system (the control socket).
    pid_t Owner() const { return owner; }

    // Faults are checked before the device model is asked: the call fails
    // with the errno, once (then forgotten) or until cleared. A failed read
    // leaves what waits to be read where it is.
    void FailOpen(const std::string& path, int error, bool once);
    // A request's fault may refuse only the records (or, by value, the
    // values) that matches picks, for a test in process.
    using Match = std::function<bool(const void*)>;
    void FailRequest(const std::string& path, unsigned long request, int error, bool once,
                     Match matches = nullptr);
    void FailRead(const std::string& path, int error, bool once);
    void ClearFaults();

    // Adds the model of one more driver (tests bring their own).
    void Add(std::unique_ptr<SimDevice> device) { models.push_back(std::move(device)); }
    // Puts the model in the place of the one of its path and returns that
    // one, so a test can stand in for a driver and put it back afterwards.
    // The old model must have no open left.
    std::unique_ptr<SimDevice> Replace(std::unique_ptr<SimDevice> device);
    // The model of a device path, null when the board has no such driver.
    SimDevice* Device(const std::string& path) const;
    template <class T>
    T& Model(const std::string& path) const {
        return dynamic_cast<T&>(*Device(path));
    }
    // Descriptors of the path that the daemon still holds.
    unsigned OpenCount(const std::string& path);

    // One request line, one reply line ("ok", a value, or "error: ...").
    std::string Command(const std::string& line);
    // Runs every line of the file (blank lines and "#" comments skipped);
    // lines that fail are reported on std::cerr. False, with one line on
    // std::cerr naming the error, when it is not a regular file or cannot be
    // read; a read that fails ends it after the lines before it.
    bool RunFile(const std::string& path);

    // Every model back to power-on, faults cleared, logging off.
    void Reset();
    // Each open, request and write written to std::clog while on.
    void SetLogging(bool on) { logging = on; }

private:
    struct Open;
    struct Fault {
        enum Kind { OnOpen, OnRequest, OnRead };
        std::string path;
        Kind kind;
        // Of a fault OnRequest.
        unsigned long request;
        int error;
        bool once;
        Match matches = nullptr;
    };

    // A new open of the device: the daemon's descriptor or -1 with errno.
    int Attach(SimDevice& device, int flags);
    // The open behind a daemon descriptor (any dup of it); null with errno
    // EBADF or ENOTTY when it is none of ours.
    Open* Find(int fd);
    // Forgets opens whose daemon side is closed, telling their models.
    void Sweep();
    // The errno of a fault that applies, 0 when none.
    int TakeFault(const std::string& path, Fault::Kind kind, unsigned long request,
                  const void* argument = nullptr);
    int Result(int result);
    // The simulation's own control lines, beside the models'.
    SimReply CmdLog(const SimArgs& args);
    SimReply CmdReset(const SimArgs& args);
    SimReply CmdFail(const SimArgs& args);
    SimReply CmdOpens(const SimArgs& args);
    // A request on the open behind fd, faults first, logged while asked.
    int Request(int fd, unsigned long request, const void* argument, const char* what,
                const std::function<int(SimOpen&)>& call);

    std::vector<std::unique_ptr<SimDevice>> models;
    std::vector<std::unique_ptr<Open>> opens;
    std::vector<Fault> faults;
    unsigned nextId = 1;
    bool logging = false;
    pid_t owner;
};

// Cuts a stream of octets into lines, without their "\n" or "\r\n", however
// many reads bring one. Each octet is searched for the line end once: were
// the whole line searched again after each read, one that takes thousands
// of reads would hold the reader for the square of its length.
class LineSplitter {
public:
    void Add(const char* data, std::size_t length);
    // Takes the next whole line; false while none is whole.
    bool Take(std::string& line);
    // Takes what follows the last whole line, a last line that the stream
    // ended without its newline; false when nothing does.
    bool TakeRest(std::string& line);
    // The octets not yet taken.
    std::size_t Pending() const { return text.size() - start; }

private:
    std::string text;
    // Where the next line starts, and where the search for its end goes on.
    std::size_t start = 0;
    std::size_t scanned = 0;
};

// The simulation when Board::devices() chose it, otherwise null.
Sim* simulation();

}  // namespace Board
