#include "control/AcceptorNet.h"

#include <sys/socket.h>

namespace Control {

bool AcceptorNet::PrepareBind(INet4::Addr& address) {
    const int on = 1;
    ::setsockopt(listen_fd.lowlevel_fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    address.port(port);
    return true;
}

}  // namespace Control
