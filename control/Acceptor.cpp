#include "control/Acceptor.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <iostream>

#include "runtime/Errno.h"

namespace Control {

template <class Flavour>
bool Acceptor<Flavour>::ImplActivate() {
    return Listen() && this->state != Service::State::Idle;
}

template <class Flavour>
void Acceptor<Flavour>::ImplDeactivate() {
    bind_timer.reset();
    accept_pause.Cancel();
    listen_event.Release();
    listen_fd.close();
}

template <class Flavour>
bool Acceptor<Flavour>::Listen() {
    if (!listen_fd) {
        listen_fd = Fd(::socket(Flavour::family, SOCK_STREAM | SOCK_CLOEXEC, Flavour::protocol));
        if (!listen_fd) {
            const Errno failure;
            const bool retry = failure.IsShortage();
            if (this->verbose) {
                std::cerr << "can't create socket:" << failure;
                if (retry) std::cerr << ", trying again in " << bind_retry_ms << " ms";
                std::cerr << std::endl;
            }
            if (retry) bind_timer.set(bind_retry_ms, &Acceptor::OnTimeout, this);
            return retry;
        }
    }
    BindSocket();
    return true;
}

template <class Flavour>
void Acceptor<Flavour>::OnTimeout(Timer*) {
    if (!Listen()) this->Deactivate();
}

template <class Flavour>
void Acceptor<Flavour>::BindSocket() {
    Address address;
    if (!PrepareBind(address)) return this->Deactivate();
    if (::bind(listen_fd.lowlevel_fd(), address, Address::size()) < 0) {
        if (this->verbose)
            std::cerr << "can't bind to socket: \"" << Errno() << "\"  waiting..." << std::endl;
        bind_timer.set(bind_retry_ms, &Acceptor::OnTimeout, this);
        return;
    }
    if (::listen(listen_fd.lowlevel_fd(), 1) < 0) {
        if (this->verbose) std::cerr << "can't listen socket: " << Errno() << std::endl;
        return this->Deactivate();
    }
    if (!listen_fd.NonBlock()) {
        if (this->verbose)
            std::cerr << "can't set socket to non block mode: " << Errno() << std::endl;
        return this->Deactivate();
    }
    const int error = Watch(listen_event, listen_fd, POLLIN);
    if (!error) return;
    // A socket nobody watches would take connections that are never served:
    // it is made again, as after a failed bind.
    if (this->verbose)
        std::cerr << "can't watch socket: " << Errno(error) << ", trying again in " << bind_retry_ms
                  << " ms" << std::endl;
    listen_fd.close();
    bind_timer.set(bind_retry_ms, &Acceptor::OnTimeout, this);
}

template <class Flavour>
void Acceptor<Flavour>::OnSocketEvent(int, short revents) {
    if (!(revents & POLLIN)) return;
    for (;;) {
        Address address;
        const int accepted = Flavour::Accept(listen_fd.lowlevel_fd(), address);
        if (accepted < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            const Errno failure;
            if (failure.IsShortage()) {
                if (this->verbose)
                    std::cerr << "can't accept connection: " << failure << ", accepting again in "
                              << AcceptPause::pause_ms << " ms" << std::endl;
                accept_pause.Begin();
            }
            return;
        }
        Fd socket(accepted);
        if (this->state == Service::State::Connected) {
            if (this->verbose) std::cerr << "refuse connection from " << address << std::endl;
            ImplRefuseConnection();
            continue;
        }
        if (!socket.NonBlock()) {
            if (this->verbose)
                std::cerr << "can't set socket to non block mode: " << Errno() << std::endl;
            continue;
        }
        if (this->verbose) std::cout << "new connection from " << address << std::endl;
        this->Connected(socket, address);
    }
}

template class Acceptor<ServiceNet>;
template class Acceptor<ServiceUnix>;

}  // namespace Control
