#include "control/ServiceNet.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <iostream>

namespace Control {

int ServiceNet::Accept(int listening, Address& peer) {
    socklen_t size = Address::size();
    return ::accept4(listening, peer, &size, SOCK_CLOEXEC);
}

bool ServiceNet::Connected(const Fd& socket, const INet4::Addr& address) {
    if (state == State::Deactivating) return false;
    const int on = 1;
    if (::setsockopt(socket.lowlevel_fd(), SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) < 0 && verbose)
        std::cerr << "fail set keepalive to control socket." << std::endl;
    if (::setsockopt(socket.lowlevel_fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) < 0 && verbose)
        std::cerr << "fail to turn off Nagle algorithm." << std::endl;
    const INet4::Addr previous = peer;
    peer = address;
    if (TakeOver(socket, address.GetString())) return true;
    peer = previous;
    return false;
}

}  // namespace Control
