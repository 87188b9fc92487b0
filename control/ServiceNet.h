// The TCP flavour of a control transport: takes over an accepted or
// connected TCP socket.
#pragma once

#include "control/ControlService.h"
#include "runtime/INet4Addr.h"
#include "runtime/Fd.h"

namespace Control {

class ServiceNet : public Service {
public:
    // Keepalive on, Nagle off, then the stack runs on a duplicate of socket
    // and the user's OnConnect follows. Ignored while a drop is being
    // reported: the socket then closes with the caller's handles.
    void Connected(const Fd& socket, const INet4::Addr& address);

protected:
    INet4::Addr peer;
};

}  // namespace Control
