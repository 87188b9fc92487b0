// The TCP client transport: connects to one IPv4 server (see Connector).
#pragma once

#include <cstdint>
#include <string>

#include "control/Connector.h"

namespace Control {

class ConnectorNet : public Connector<ServiceNet> {
public:
    ConnectorNet() : ConnectorNet(std::string(), 0) {}
    // "a.b.c.d[:port]"; without a port the port is 0.
    explicit ConnectorNet(const std::string& address);
    ConnectorNet(const std::string& host, unsigned short port)
        : Connector("ConnectorNet::OnSocketEvent"), port(port), host(host) {}

protected:
    // Refuses a host that is not a numeric IPv4 address.
    bool ImplActivate() override;
    // The port, then the host text parsed over it.
    bool ServerAddress(INet4::Addr& address) const override;

private:
    std::uint16_t port;
    std::string host;
};

}  // namespace Control
