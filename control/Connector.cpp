#include "control/Connector.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <iostream>
#include <utility>

#include "runtime/Errno.h"

namespace Control {

template <class Flavour>
bool Connector<Flavour>::Start() {
    retries = 7;
    TryConnect();
    return this->state != Service::State::Idle;
}

template <class Flavour>
void Connector<Flavour>::ImplDeactivate() {
    this->Release();
    connect_fd.close();
    retry_timer.reset();
    connect_event.Release();
}

template <class Flavour>
void Connector<Flavour>::ImplOnDisconnect() {
    retry_timer.set(reconnect_ms, &Connector::OnTimeout, this);
}

template <class Flavour>
void Connector<Flavour>::TryConnect() {
    connect_fd = Fd(::socket(Flavour::family, SOCK_STREAM | SOCK_CLOEXEC, Flavour::protocol));
    if (!connect_fd) {
        std::cerr << "can't create " << Flavour::socket_kind << ":" << Errno() << std::endl;
        return this->Deactivate();
    }
    if (!connect_fd.NonBlock()) {
        std::cerr << "can't set " << Flavour::socket_kind << " to non block mode: " << Errno()
                  << std::endl;
        return this->Deactivate();
    }
    PrepareSocket(connect_fd);
    Address address;
    ServerAddress(address);
    if (::connect(connect_fd.lowlevel_fd(), address, Address::size()) == 0) {
        // Taken over here and now: no watch is left behind on the attempt, so
        // a link that drops at once cannot bring about a second connection.
        std::clog << Flavour::connected_at_once << address << std::endl;
        return TakeOver(address);
    }
    int error = errno;
    if (error == EINPROGRESS) {
        connect_event.Bind(event_name, &Connector::OnSocketEvent, this);
        error = Watch(connect_event, connect_fd, POLLOUT);
        if (!error) return;
        // Nothing would hear how the attempt ends: it fails here, and the
        // connection it may still make is closed with its socket.
    }
    std::cerr << "can't connect to " << address << " : " << Errno(error) << std::endl;
    connect_fd.close();
    RetryLater(refused_at_once);
}

template <class Flavour>
void Connector<Flavour>::OnSocketEvent(int, short revents) {
    Address address;
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
        return this->Deactivate();
    }
    if (error != 0) {
        std::cerr << "fail to connect to " << address << std::endl;
        return RetryLater(socket_error);
    }
    std::cout << "connected to " << address << "." << std::endl;
    TakeOver(address);
}

template <class Flavour>
void Connector<Flavour>::TakeOver(const Address& address) {
    Fd socket = std::move(connect_fd);
    // Refused for want of descriptors: no loss will be reported to bring the
    // next attempt, so it is made here.
    if (!this->Connected(socket, address)) RetryLater(socket_error);
}

template <class Flavour>
void Connector<Flavour>::RetryLater(Failure how) {
    static const unsigned long_delay[] = {20000, 15000, 12000};
    unsigned delay = 1000;
    if (retries > 0)
        --retries;
    else
        delay = long_delay[how];
    retry_timer.set(delay, &Connector::OnTimeout, this);
}

template class Connector<ServiceNet>;
template class Connector<ServiceUnix>;

}  // namespace Control
