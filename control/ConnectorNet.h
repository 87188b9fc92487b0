// The TCP client flavour of a control transport: connects to one server
// without blocking, retries by itself while the server cannot be reached
// (seven times a second apart, then every 12 to 20 s) and reconnects 10 s
// after a connection is lost.
#pragma once

#include <cstdint>
#include <string>

#include "control/ServiceNet.h"
#include "runtime/Event.h"
#include "runtime/Fd.h"
#include "runtime/Timer.h"

namespace Control {

class ConnectorNet : public ServiceNet {
public:
    static constexpr unsigned reconnect_ms = 10000;

    ConnectorNet() = default;
    // "a.b.c.d[:port]"; without a port the port is 0.
    explicit ConnectorNet(const std::string& address);
    ConnectorNet(const std::string& host, unsigned short port) : port(port), host(host) {}

    void TryConnect();
    void OnSocketEvent(int fd, short revents);
    void OnTimeout(Timer*) { TryConnect(); }

protected:
    // Refuses a host that is not a numeric IPv4 address.
    bool ImplActivate() override;
    void ImplDeactivate() override;
    void ImplOnDisconnect() override;

private:
    enum Failure { refused_at_once, poll_error, socket_error };

    // The server address of an attempt: port, then the host text parsed over it.
    bool ServerAddress(INet4::Addr& address) const;
    void RetryLater(Failure how);

    std::uint16_t port = 0;
    std::string host;
    Fd connect_fd;
    Timer retry_timer;
    Event connect_event;
    std::int32_t retries = 0;
};

}  // namespace Control
