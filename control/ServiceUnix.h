// The local flavour of a control transport: takes over an accepted or
// connected Unix-domain stream socket, named by a path in the file system.
#pragma once

#include <string>

#include "control/ControlService.h"
#include "control/LocalAddr.h"
#include "runtime/Fd.h"

namespace Control {

class ServiceUnix : public Service {
public:
    // What the shared server and client halves need to know of the flavour.
    using Address = Local::Addr;
    static constexpr int family = AF_UNIX;
    static constexpr int protocol = 0;
    // The socket as the log lines name it, and the line of a connection made at once.
    static constexpr const char* socket_kind = "domain socket";
    static constexpr const char* connected_at_once = "connected to ";
    // accept() on listening; the peer's path is read within the length it
    // reports (empty for a peer without a name). Close-on-exec.
    static int Accept(int listening, Address& peer);

    // No socket option; the connection is taken over under name; false when
    // it was not (see TakeOver).
    bool Connected(const Fd& socket, const std::string& name) { return TakeOver(socket, name); }
    bool Connected(const Fd& socket, const Address& peer) {
        return Connected(socket, peer.GetString());
    }

protected:
    // Makes path ready to bind to: a stale socket file there is removed, but
    // anything else is left in place. False with a log line when path is
    // unusable or taken.
    bool ClaimPath(const std::string& path, Address& address) const;
};

}  // namespace Control
