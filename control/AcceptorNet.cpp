#include "control/AcceptorNet.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <iostream>

#include "runtime/Errno.h"

namespace Control {

bool AcceptorNet::ImplActivate() {
    listen_fd = Fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!listen_fd) {
        if (verbose) std::cerr << "can't create socket:" << Errno() << std::endl;
        return false;
    }
    const int on = 1;
    ::setsockopt(listen_fd.lowlevel_fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    listen_event.Bind("AcceptorNet::OnSocketEvent", &AcceptorNet::OnSocketEvent, this);
    BindSocket();
    return true;
}

void AcceptorNet::ImplDeactivate() {
    bind_timer.reset();
    listen_event.Release();
    listen_fd.close();
}

void AcceptorNet::BindSocket() {
    INet4::Addr any;
    any.port(port);
    if (::bind(listen_fd.lowlevel_fd(), any, INet4::Addr::size()) < 0) {
        if (verbose)
            std::cerr << "can't bind to socket: \"" << Errno() << "\"  waiting..." << std::endl;
        bind_timer.set(bind_retry_ms, &AcceptorNet::OnTimeout, this);
        return;
    }
    if (::listen(listen_fd.lowlevel_fd(), 1) < 0) {
        if (verbose) std::cerr << "can't listen socket: " << Errno() << std::endl;
        return Deactivate();
    }
    if (!listen_fd.NonBlock()) {
        if (verbose) std::cerr << "can't set socket to non block mode: " << Errno() << std::endl;
        return Deactivate();
    }
    listen_event.Schedule(listen_fd, POLLIN);
}

void AcceptorNet::OnSocketEvent(int, short revents) {
    if (!(revents & POLLIN)) return;
    for (;;) {
        INet4::Addr address;
        socklen_t size = INet4::Addr::size();
        int accepted = ::accept4(listen_fd.lowlevel_fd(), address, &size, SOCK_CLOEXEC);
        if (accepted < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        Fd socket(accepted);
        if (state == State::Connected) {
            if (verbose) std::cerr << "refuse connection from " << address << std::endl;
            ImplRefuseConnection();
            continue;
        }
        if (!socket.NonBlock()) {
            if (verbose)
                std::cerr << "can't set socket to non block mode: " << Errno() << std::endl;
            continue;
        }
        if (verbose) std::cout << "new connection from " << address << std::endl;
        Connected(socket, address);
        if (state == State::Connected) ImplConnected(socket);
    }
}

}  // namespace Control
