#include "control/TPKTTracer.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <cerrno>
#include <iostream>

#include "runtime/Errno.h"
#include "runtime/INet4Addr.h"
#include "runtime/Fd.h"

TPKTTracer::~TPKTTracer() {
    for (Connection* c : connections) delete c;
}

bool TPKTTracer::Listen(unsigned short port) {
    Fd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
    INet4::Addr any;
    any.port(port);
    if (!socket || ::bind(socket.lowlevel_fd(), any, INet4::Addr::size()) < 0 ||
        ::listen(socket.lowlevel_fd(), 1) < 0 || !socket.NonBlock())
        return false;
    listenEvent.Bind("TPKTTracer::OnEvent", &TPKTTracer::OnEvent, this);
    const int error = Watch(listenEvent, socket, POLLIN);
    if (!error) return true;
    std::cerr << "can't watch ACP socket: " << Errno(error) << std::endl;
    return false;
}

void TPKTTracer::OnEvent(int fd, short revents) {
    if (!(revents & POLLIN)) return;
    for (;;) {
        INet4::Addr peer;
        socklen_t size = INet4::Addr::size();
        Fd socket(::accept4(fd, peer, &size, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!socket) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            // Out of descriptors or memory the viewer stays queued and the
            // socket stays readable: rest instead of polling it in a tight loop.
            if (Errno().IsShortage()) acceptPause.Begin();
            return;
        }
        Connection* c = new Connection;
        c->event.Bind("TPKTTracer::OnDataEvent", &TPKTTracer::OnDataEvent, this);
        // An event without its own copy of the socket watches nothing and the
        // viewer goes with socket: its entry would only pile up. Descriptors
        // are short, so accepting rests as when accept() fails.
        if (Watch(c->event, socket, POLLIN)) {
            delete c;
            return acceptPause.Begin();
        }
        std::clog << "ACP connection open from " << peer << std::endl;
        connections.push_back(c);
    }
}

// The receiver may Send (which may close this very connection) while a body
// is handled; `current` then moves to the end and nothing of the connection
// is touched again. A viewer that never pauses is read a bounded amount per
// wake-up, so it cannot hold the loop: the socket stays readable for the next.
void TPKTTracer::OnDataEvent(int fd, short revents) {
    if (!(revents & (POLLIN | POLLERR | POLLHUP))) return;
    current = FindConnection(fd);
    if (current == connections.end()) return;
    if (revents & (POLLERR | POLLHUP)) return CloseConnection(current);
    for (unsigned reads = 0; reads < max_reads_per_wakeup; ++reads) {
        Connection& c = **current;
        const ssize_t n = ::recv(fd, c.buffer + c.received, c.expected - c.received, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {
            CloseConnection(current);
            break;
        }
        c.received += std::uint32_t(n);
        if (c.received < c.expected || !Complete(c)) break;
    }
    current = connections.end();
}

bool TPKTTracer::Complete(Connection& c) {
    c.received = 0;
    if (c.readingHeader) {
        const auto* octets = reinterpret_cast<const unsigned char*>(c.buffer);
        const unsigned length = octets[2] * 256u + octets[3];
        if (octets[0] != 3 || octets[1] != 0 || length < 4 || length - 4 > max_received) {
            CloseConnection(current);
            return false;
        }
        // An empty body is skipped: the next piece is again a header.
        c.readingHeader = length == 4;
        c.expected = c.readingHeader ? 4 : length - 4;
        return true;
    }
    if (receiver) {
        answering = true;
        receiver->OnMessage(c.buffer, int(c.expected));
        answering = false;
    }
    if (current == connections.end()) return false;
    c.readingHeader = true;
    c.expected = 4;
    return true;
}

bool TPKTTracer::Send(const void* data, unsigned int length) {
    if (length > max_sent) return false;
    if (answering) {
        if (current != connections.end()) SendTo(current, data, length);
        return true;
    }
    // A connection closed by a failed send leaves the others' iterators valid.
    for (iterator it = connections.begin(); it != connections.end();) SendTo(it++, data, length);
    return true;
}

void TPKTTracer::SendTo(iterator it, const void* data, unsigned length) {
    const unsigned total = length + 4;
    unsigned char header[4] = {3, 0, std::uint8_t(total >> 8), std::uint8_t(total)};
    iovec pieces[2] = {{header, sizeof header}, {const_cast<void*>(data), length}};
    msghdr message{};
    message.msg_iov = pieces;
    message.msg_iovlen = 2;
    // A viewer gone away must not raise SIGPIPE; EINTR loses the frame for it.
    const ssize_t n = ::sendmsg((*it)->event.lowlevel_fd(), &message, MSG_NOSIGNAL);
    if (n < 0 ? errno != EINTR : unsigned(n) != total) CloseConnection(it);
}

void TPKTTracer::CloseConnection(iterator it) {
    if (it == current) current = connections.end();
    delete *it;
    connections.erase(it);
}

TPKTTracer::iterator TPKTTracer::FindConnection(int fd) {
    for (iterator it = connections.begin(); it != connections.end(); ++it)
        if ((*it)->event.lowlevel_fd() == fd) return it;
    return connections.end();
}
