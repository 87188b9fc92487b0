#include "control/ConnectorNet.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <iostream>

#include "runtime/Errno.h"

namespace Control {

ConnectorNet::ConnectorNet(const std::string& address) {
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
    retries = 7;
    TryConnect();
    return state != State::Idle;
}

void ConnectorNet::ImplDeactivate() {
    Release();
    connect_fd.close();
    retry_timer.reset();
    connect_event.Release();
}

void ConnectorNet::ImplOnDisconnect() {
    retry_timer.set(reconnect_ms, &ConnectorNet::OnTimeout, this);
}

void ConnectorNet::TryConnect() {
    connect_fd = Fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!connect_fd) {
        std::cerr << "can't create socket:" << Errno() << std::endl;
        return Deactivate();
    }
    if (!connect_fd.NonBlock()) {
        std::cerr << "can't set socket to non block mode: " << Errno() << std::endl;
        return Deactivate();
    }
    INet4::Addr address;
    ServerAddress(address);
    if (::connect(connect_fd.lowlevel_fd(), address, INet4::Addr::size()) == 0) {
        std::clog << "already connected to " << address << std::endl;
        Fd socket = connect_fd;
        connect_fd.close();
        return Connected(socket, address);
    }
    if (errno == EINPROGRESS) {
        connect_event.Bind("ConnectorNet::OnSocketEvent", &ConnectorNet::OnSocketEvent, this);
        connect_event.Schedule(connect_fd, POLLOUT);
        return;
    }
    std::cerr << "can't connect to " << address << " : " << Errno() << std::endl;
    RetryLater(refused_at_once);
}

void ConnectorNet::OnSocketEvent(int, short revents) {
    INet4::Addr address;
    ServerAddress(address);
    if (revents & (POLLERR | POLLHUP)) {
        std::cerr << "fail to connect to " << address << std::endl;
        connect_event.Release();
        return RetryLater(poll_error);
    }
    if (!(revents & POLLOUT)) return;
    connect_event.Release();
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(connect_fd.lowlevel_fd(), SOL_SOCKET, SO_ERROR, &error, &size) < 0) {
        std::cerr << "getsockopt(SOL_SOCKET,SO_ERROR) fail: " << Errno() << std::endl;
        return Deactivate();
    }
    if (error != 0) {
        std::cerr << "fail to connect to " << address << std::endl;
        return RetryLater(socket_error);
    }
    std::cout << "connected to " << address << "." << std::endl;
    Fd socket = connect_fd;
    connect_fd.close();
    Connected(socket, address);
}

void ConnectorNet::RetryLater(Failure how) {
    static const unsigned long_delay[] = {20000, 15000, 12000};
    unsigned delay = 1000;
    if (retries > 0)
        --retries;
    else
        delay = long_delay[how];
    retry_timer.set(delay, &ConnectorNet::OnTimeout, this);
}

}  // namespace Control
