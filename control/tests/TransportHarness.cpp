#include "control/tests/TransportHarness.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include "control/AcceptorNet.h"
#include "runtime/INet4Addr.h"
#include "runtime/Multiplexer.h"
#include "runtime/tests/LoopDriver.h"

namespace TransportTest {

bool RunUntil(const std::function<bool()>& done, unsigned limitMs) {
    if (done()) return true;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    LoopDriver driver;
    driver.wait = 5;
    driver.probe = [&](unsigned) {
        if (done() || std::chrono::steady_clock::now() >= end) multiplexer.terminate();
    };
    driver.Run(~0u);
    return done();
}

void RunFor(unsigned ms) {
    RunUntil([] { return false; }, ms);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

unsigned Occurrences(const std::string& text, const std::string& part) {
    unsigned n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

unsigned Recorder::Count(const std::string& call) const {
    return unsigned(std::count(calls.begin(), calls.end(), call));
}

namespace {

INet4::Addr Loopback(std::uint16_t port) {
    INet4::Addr address("127.0.0.1");
    address.port(port);
    return address;
}

}  // namespace

Peer::Peer(std::uint16_t toPort, int receiveBuffer)
    : sock(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (receiveBuffer > 0)
        ::setsockopt(sock.lowlevel_fd(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer,
                     sizeof receiveBuffer);
    INet4::Addr server = Loopback(toPort);
    connected = ::connect(sock.lowlevel_fd(), server, INet4::Addr::size()) == 0;
}

void Peer::Write(const std::string& octets) {
    size_t done = 0;
    while (done < octets.size()) {
        ssize_t n =
            ::send(sock.lowlevel_fd(), octets.data() + done, octets.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return;
        done += size_t(n);
    }
}

std::string Peer::ReadAvailable() {
    std::string got;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::recv(sock.lowlevel_fd(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0) return got;
        got.append(buffer, size_t(n));
    }
}

bool Peer::SeesClose(unsigned limitMs, std::string* received) {
    bool closed = false;
    RunUntil(
        [&] {
            char buffer[65536];
            ssize_t n;
            while ((n = ::recv(sock.lowlevel_fd(), buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
                if (received) received->append(buffer, size_t(n));
            closed = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
            return closed;
        },
        limitMs);
    return closed;
}

int Peer::ServerSide() const {
    sockaddr_in mine{};
    socklen_t size = sizeof mine;
    ::getsockname(sock.lowlevel_fd(), reinterpret_cast<sockaddr*>(&mine), &size);
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in remote{};
        size = sizeof remote;
        if (fd != sock.lowlevel_fd() &&
            ::getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &size) == 0 &&
            remote.sin_family == AF_INET && remote.sin_port == mine.sin_port)
            return fd;
    }
    return -1;
}

Listener::Listener(std::uint16_t onPort) : sock(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const int on = 1;
    ::setsockopt(sock.lowlevel_fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    INet4::Addr address = Loopback(onPort);
    if (::bind(sock.lowlevel_fd(), address, INet4::Addr::size()) < 0 ||
        ::listen(sock.lowlevel_fd(), 4) < 0 || !sock.NonBlock())
        sock.close();
}

Fd Listener::Accept(unsigned limitMs) {
    Fd accepted;
    RunUntil(
        [&] {
            accepted = Fd(::accept4(sock.lowlevel_fd(), nullptr, nullptr, SOCK_CLOEXEC));
            return accepted.is_valid();
        },
        limitMs);
    return accepted;
}

void ServerLink::Start(std::initializer_list<CtrlSrv::Service*> services) {
    for (CtrlSrv::Service* service : services) {
        server.Bind(service);
        bound.push_back(service);
    }
    ASSERT_TRUE(server.Activate(new Control::AcceptorNet(port)));
    peer = Peer();
    ASSERT_TRUE(peer.Connected());
    ASSERT_TRUE(RunUntil([&] { return Connected(); }, 2000));
}

void ServerLink::TearDown() {
    server.Deactivate();
    for (CtrlSrv::Service* service : bound) server.Unbind(service);
    IsolatedLoopback::TearDown();
}

bool ServerLink::Connected() const {
    bool connected = false;
    return server.CheckServerConnection(connected) && connected;
}

std::vector<std::string> ServerLink::Exchange(const std::string& body) {
    peer.Write(Frame(body));
    RunFor(50);
    return Answers();
}

}  // namespace TransportTest
