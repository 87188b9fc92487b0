// The TCP flavour of a control transport: takes over an accepted or
// connected TCP socket.
#pragma once

#include "control/ControlService.h"
#include "runtime/INet4Addr.h"
#include "runtime/Fd.h"

namespace Control {

class ServiceNet : public Service {
public:
    // What the shared server and client halves need to know of the flavour.
    using Address = INet4::Addr;
    static constexpr int family = AF_INET;
    static constexpr int protocol = IPPROTO_TCP;
    // The socket as the log lines name it, and the line of a connection made at once.
    static constexpr const char* socket_kind = "socket";
    static constexpr const char* connected_at_once = "already connected to ";
    // accept() on listening, filling in the peer's address; close-on-exec.
    static int Accept(int listening, Address& peer);

    // Keepalive on, Nagle off, then the connection is taken over under the
    // peer's "a.b.c.d:port"; false when it was not (see TakeOver).
    bool Connected(const Fd& socket, const INet4::Addr& address);

protected:
    INet4::Addr peer;
};

}  // namespace Control
