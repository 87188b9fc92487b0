#include "control/ConnectorNet.h"

#include <iostream>

namespace Control {

ConnectorNet::ConnectorNet(const std::string& address) : ConnectorNet(std::string(), 0) {
    INet4::Addr parsed;
    int given = -1;
    const bool valid = parsed.Assign(address, &given);
    port = given < 0 ? 0 : parsed.port();
    // An address that does not parse is kept as written, so that activation
    // refuses it instead of connecting to 0.0.0.0.
    host = valid ? parsed.GetStrAddr() : address;
}

bool ConnectorNet::ServerAddress(INet4::Addr& address) const {
    address.Reset();
    address.port(port);
    return address.Assign(host);
}

bool ConnectorNet::ImplActivate() {
    INet4::Addr address;
    if (!ServerAddress(address)) {
        std::cerr << "can't connect to " << host << " : not an IPv4 address" << std::endl;
        return false;
    }
    return Start();
}

}  // namespace Control
