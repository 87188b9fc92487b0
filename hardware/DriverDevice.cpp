#include "hardware/DriverDevice.h"

#include "hardware/DriverEvents.h"
#include "runtime/Errno.h"
#include "runtime/MuxClock.h"

#include <cerrno>
#include <iostream>
#include <poll.h>
#include <utility>

namespace Hardware {

namespace {

constexpr std::uint32_t restMs = 1000;

}  // namespace

DriverDevice::DriverDevice(Event& event, const char* path, int flags, const char* failure,
                           const char* name, std::function<bool()> listening)
    : event(event),
      path(path),
      flags(flags),
      failure(failure),
      name(name),
      listening(std::move(listening)) {}

bool DriverDevice::Open() { return Opening() == 0; }

// The descriptor opened goes when this returns: the watch keeps its copy,
// and a device it could not copy is closed as one that did not open.
int DriverDevice::Opening() {
    if (event.IsActive()) return 0;
    const Fd device(Board::devices().open(path, flags));
    const int error = device ? Watch(event, device, POLLIN) : errno;
    if (error) {
        openFailure.Tell(error, owed.Paying(),
                         [&] { std::cerr << failure << Errno(error) << std::endl; });
        return error;
    }
    openFailure.Clear();
    const bool again = life == Life::Lost || life == Life::Resting;
    life = again ? Life::Reopened : Life::Open;
    since = Mux::milliseconds();
    if (again) std::clog << "open " << name << " again: done" << std::endl;
    owed.Pay();
    return 0;
}

bool DriverDevice::Resting() const {
    return life == Life::Resting && std::uint32_t(Mux::milliseconds() - since) < restMs;
}

std::string At(const std::string& words, unsigned ts) {
    return words + " timeslot=" + std::to_string(ts);
}

std::function<void()> Writes(std::ostream& out, std::string line) {
    return [&out, line = std::move(line)] { out << line << std::endl; };
}

OwedRequests::Request DriverDevice::Make(std::function<Outcome()> send, Lines lines) {
    OwedRequests::Request request;
    request.send = [send = std::move(send), done = std::move(lines.done)] {
        const Outcome outcome = send();
        if (outcome.taken() && done) done();
        return outcome;
    };
    request.refused = [line = std::move(lines.refused)](const Outcome& outcome) {
        std::cerr << line << " errno=\"" << Errno(outcome.error) << '"' << std::endl;
    };
    if (!lines.unopened.empty())
        request.unopened = [line = std::move(lines.unopened)](const Outcome&) {
            std::cerr << line << std::endl;
        };
    return request;
}

// The receivers that listened may have gone meanwhile: then the device waits
// for the next request.
OwedRequests::Request DriverDevice::Reopen() {
    auto open = [this] {
        const int error = listening() ? Opening() : 0;
        return error ? Outcome::NotOpened(error) : Outcome{};
    };
    return {open, nullptr, nullptr};
}

void DriverDevice::Read(int fd, short revents, std::size_t size,
                        const std::function<void(const void*)>& record) {
    if (ReadDriverEvents(fd, revents, size, name, record)) return;
    event.Release();
    const std::uint32_t now = Mux::milliseconds();
    const bool again = life == Life::Reopened && std::uint32_t(now - since) < restMs;
    life = again ? Life::Resting : Life::Lost;
    since = now;
    if (!listening()) return;
    if (again)
        owed.Owe(OwedRequests::device, Reopen());
    else
        owed.Ask(OwedRequests::device, Reopen(), OwedRequests::IfRefused::Owe);
}

}  // namespace Hardware
