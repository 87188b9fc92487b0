// A TCP server transport: listens on a port of every local address and
// serves one connection at a time (see Acceptor).
#pragma once

#include <cstdint>

#include "control/Acceptor.h"

namespace Control {

class AcceptorNet : public Acceptor<ServiceNet> {
public:
    AcceptorNet() : AcceptorNet(0) {}
    explicit AcceptorNet(int port)
        : Acceptor("AcceptorNet::OnSocketEvent"), port(std::uint16_t(port)) {}
    AcceptorNet(int port, bool verbose) : AcceptorNet(port) { this->verbose = verbose; }

protected:
    bool PrepareBind(INet4::Addr& address) override;

private:
    std::uint16_t port;
};

}  // namespace Control
