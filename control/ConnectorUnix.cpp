#include "control/ConnectorUnix.h"

#include <sys/socket.h>

#include <iostream>

#include "runtime/Errno.h"

namespace Control {

bool ConnectorUnix::ImplActivate() {
    Local::Addr address;
    if (!ServerAddress(address)) {
        std::cerr << "can't connect to " << path << " : empty or longer than "
                  << Local::Addr::max_path << " characters" << std::endl;
        return false;
    }
    return Start();
}

void ConnectorUnix::PrepareSocket(const Fd& socket) {
    Local::Addr address;
    if (local_path.empty() || !ClaimPath(local_path, address)) return;
    if (::bind(socket.lowlevel_fd(), address, Local::Addr::size()) < 0)
        std::cerr << "can't bind to domain socket '" << local_path << "': \"" << Errno()
                  << std::endl;
}

}  // namespace Control
