// The local client transport: connects to a server's Unix-domain socket at a
// path, optionally from a socket bound to a path of its own (see Connector).
#pragma once

#include <string>

#include "control/Connector.h"

namespace Control {

class ConnectorUnix : public Connector<ServiceUnix> {
public:
    ConnectorUnix() : ConnectorUnix(std::string(), std::string()) {}
    explicit ConnectorUnix(const std::string& path) : ConnectorUnix(path, std::string()) {}
    // localPath empty: the client's socket has no name.
    ConnectorUnix(const std::string& path, const std::string& localPath)
        : Connector("ConnectorUnix::OnSocketEvent"), path(path), local_path(localPath) {}

protected:
    // Refuses a path that does not fit the socket address.
    bool ImplActivate() override;
    bool ServerAddress(Local::Addr& address) const override { return address.Assign(path); }
    // Binds the socket to local_path; a failure leaves it unnamed.
    void PrepareSocket(const Fd& socket) override;

private:
    std::string path;
    std::string local_path;
};

}  // namespace Control
