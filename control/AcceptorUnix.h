// A local server transport: listens on a Unix-domain socket at a path and
// serves one connection at a time (see Acceptor). A stale socket file at the
// path is replaced; the file stays when the transport stops.
#pragma once

#include <string>

#include "control/Acceptor.h"

namespace Control {

class AcceptorUnix : public Acceptor<ServiceUnix> {
public:
    AcceptorUnix() : AcceptorUnix(std::string()) {}
    explicit AcceptorUnix(const std::string& path)
        : Acceptor("AcceptorUnix::OnSocketEvent"), path(path) {}

protected:
    bool PrepareBind(Local::Addr& address) override { return ClaimPath(path, address); }

private:
    std::string path;
};

}  // namespace Control
