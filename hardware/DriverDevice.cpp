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
                           const char* name, std::function<bool()> listening,
                           std::function<bool(const OwedRequests::Key&)> holds)
    : owed(std::move(holds)),
      event(event),
      name(name),
      listening(std::move(listening)),
      node(
          path, flags, &owed,
          [failure](int error) { std::cerr << failure << Errno(error) << std::endl; },
          [this] { return Ready(); }) {}

bool DriverDevice::Open() { return node.Open() == 0; }

// A device whose events nobody would hear counts as one that did not open.
int DriverDevice::Ready() {
    if (const int error = Watch(event, node.Node(), POLLIN)) return error;
    const bool again = life == Life::Lost || life == Life::Resting;
    life = again ? Life::Reopened : Life::Open;
    since = Mux::milliseconds();
    if (again) std::clog << "open " << name << " again: done" << std::endl;
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
    auto failed = [](std::string line) {
        return [line = std::move(line)](const Outcome& outcome) {
            std::cerr << line << " errno=\"" << Errno(outcome.error) << '"' << std::endl;
        };
    };
    request.unopened = failed(lines.unopened.empty() ? lines.refused + " (interface not opened)"
                                                     : std::move(lines.unopened));
    request.refused = failed(std::move(lines.refused));
    return request;
}

// Nothing is sent, so an open that succeeds leaves what the key owes alone;
// one that fails is noted as the request's refusal, with its paced line.
bool DriverDevice::Join(OwedRequests::Key key, Lines lines) {
    const int error = node.Open();
    if (!error) return true;
    auto refused = [error] { return Outcome::NotOpened(error); };
    owed.Ask(key, Make(refused, std::move(lines)), OwedRequests::IfRefused::Drop);
    return false;
}

// The receivers that listened may have gone meanwhile: then the device waits
// for the next request.
OwedRequests::Request DriverDevice::Reopen() {
    auto open = [this] {
        const int error = listening() ? node.Open() : 0;
        return error ? Outcome::NotOpened(error) : Outcome{};
    };
    return {open, nullptr, nullptr};
}

void DriverDevice::Read(int fd, short revents, std::size_t size,
                        const std::function<void(const void*)>& record) {
    if (ReadDriverEvents(fd, revents, size, name, record)) return;
    event.Release();
    node.Close();
    const std::uint32_t now = Mux::milliseconds();
    const bool again = life == Life::Reopened && std::uint32_t(now - since) < restMs;
    life = again ? Life::Resting : Life::Lost;
    since = now;
    if (!listening()) return;
    if (again)
        owed.Owe(OwedRequests::device, Reopen(), OwedRequests::IfRefused::Owe);
    else
        owed.Ask(OwedRequests::device, Reopen(), OwedRequests::IfRefused::Owe);
}

}  // namespace Hardware
