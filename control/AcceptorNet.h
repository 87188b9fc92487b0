// A TCP server transport: listens on a port and serves one connection at a
// time; a connection arriving while one is up is accepted and closed at once.
// A port that cannot be bound is tried again every 5000 ms.
#pragma once

#include <cstdint>

#include "control/ServiceNet.h"
#include "runtime/Event.h"
#include "runtime/Fd.h"
#include "runtime/Timer.h"

namespace Control {

class AcceptorNet : public ServiceNet {
public:
    static constexpr unsigned bind_retry_ms = 5000;

    AcceptorNet() = default;
    explicit AcceptorNet(int port) : port(std::uint16_t(port)) {}
    AcceptorNet(int port, bool verbose) : port(std::uint16_t(port)) { this->verbose = verbose; }

    void BindSocket();
    void OnTimeout(Timer*) { BindSocket(); }
    void OnSocketEvent(int fd, short revents);

protected:
    bool ImplActivate() override;
    void ImplDeactivate() override;
    void ImplOnDisconnect() override {}
    // A connection refused because another one is up.
    virtual void ImplRefuseConnection() {}
    // A connection taken over.
    virtual void ImplConnected(const Fd&) {}

private:
    std::uint16_t port = 0;
    Fd listen_fd;
    Timer bind_timer;
    Event listen_event;
};

}  // namespace Control
