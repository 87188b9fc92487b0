#include "control/AcceptorNetCheckConnection.h"
#include "runtime/Errno.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <iostream>

namespace Control {

namespace {

void SetOption(int fd, int level, int option, int value) {
    ::setsockopt(fd, level, option, &value, sizeof value);
}

}  // namespace

bool AcceptorNetCheckConnection::ImplActivate() {
    // Without a listening socket the transport still counts as started.
    AcceptorNet::ImplActivate();
    CheckConnection();
    return true;
}

void AcceptorNetCheckConnection::ImplDeactivate() {
    check_timer.reset();
    StopChecking();
    AcceptorNet::ImplDeactivate();
}

void AcceptorNetCheckConnection::ImplOnDisconnect() { StopChecking(); }

void AcceptorNetCheckConnection::StopChecking() {
    check_state = CheckConnectionState::Idle;
    check_fd.close();
}

int AcceptorNetCheckConnection::ImplConnected(const Fd& socket) {
    check_fd = socket;
    check_state = CheckConnectionState::Idle;
    return check_fd ? 0 : errno;
}

void AcceptorNetCheckConnection::ImplRefuseConnection() {
    if (check_state != CheckConnectionState::Idle) return;
    check_state = CheckConnectionState::CheckConnection;
    countdown = 2;
    SetupKeepAlive(true);
    if (verbose) std::cerr << "CheckConnectionState CheckConnection" << std::endl;
}

void AcceptorNetCheckConnection::SetupKeepAlive(bool fast) {
    const int fd = check_fd.lowlevel_fd();
    SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, fast ? 1 : 7200);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, fast ? 1 : 75);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, fast ? 3 : 9);
}

void AcceptorNetCheckConnection::CheckConnection() {
    if (state == State::Connected) {
        const int fd = check_fd.lowlevel_fd();
        bool close = false;
        tcp_info info;
        socklen_t size = sizeof info;
        if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) == 0) {
            if (info.tcpi_state != TCP_ESTABLISHED) {
                if (verbose)
                    std::cerr << "connection from " << name << " closed: tcp socket change state."
                              << std::endl;
                close = true;
            }
            if (check_state == CheckConnectionState::CheckConnection) {
                if (info.tcpi_ca_state != 0) {
                    if (countdown > 0) --countdown;
                    if (countdown <= 0) {
                        if (verbose)
                            std::cerr << "connection from " << name
                                      << " closed: tcp socket change ca_state." << std::endl;
                        close = true;
                    }
                } else {
                    check_state = CheckConnectionState::Idle;
                    SetupKeepAlive(false);
                    if (verbose) std::cerr << "CheckConnectionState Idle" << std::endl;
                }
            }
        }
        int error = 0;
        size = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) < 0) error = errno;
        if (error != 0) {
            if (verbose)
                std::cerr << "connection from " << name << " closed: " << Errno(error)
                          << std::endl;
            close = true;
        }
        if (close) {
            check_state = CheckConnectionState::Idle;
            SetupKeepAlive(false);
            Disconnect();
            if (verbose) std::cerr << "CheckConnectionState Idle" << std::endl;
        }
    }
    check_timer.set(check_period_ms, &AcceptorNetCheckConnection::OnCheckConnectionTimeout, this);
}

}  // namespace Control
