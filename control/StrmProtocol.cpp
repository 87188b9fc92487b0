#include "control/StrmProtocol.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <iostream>
#include <new>

#include "config/StreamManip.h"
#include "runtime/Errno.h"
#include "runtime/Multiplexer.h"
#include "runtime/MuxClock.h"

namespace {

// The socket's pending error; the errno of the query when it fails.
int PendingError(int fd) {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) < 0) return errno;
    return error;
}

int IntOption(int fd, int option) {
    int value = 0;
    socklen_t size = sizeof value;
    ::getsockopt(fd, SOL_SOCKET, option, &value, &size);
    return value;
}

int IoctlFigure(int fd, unsigned long request) {
    int value = 0;
    ::ioctl(fd, request, &value);
    return value;
}

}  // namespace

StrmProtocol::StrmProtocol() {
    event.Bind("StrmProtocol::on_event", &StrmProtocol::on_event, this);
}

StrmProtocol::StrmProtocol(const Fd& socket) : StrmProtocol() { attach(socket); }

StrmProtocol::~StrmProtocol() { release(); }

int StrmProtocol::attach(const Fd& socket) {
    release();
    fd = socket;
    if (!opened()) return socket ? errno : EBADF;
    // The watch's copy is made here, where the connection can still be
    // refused: a connection nobody reads is never active.
    if (const int error = Watch(event, fd, 0)) {
        fd.close();
        return error;
    }
    // A fresh socket has nothing queued: a positive figure is free space.
    outq_is_free = outq_space() > 0;
    coalescing = IntOption(fd.lowlevel_fd(), SO_PROTOCOL) == IPPROTO_TCP;
    return 0;
}

void StrmProtocol::release() {
    holding = false;
    if (!opened()) return;
    event.Release();
    // Other duplicates of the socket (the connection check's) must not keep
    // the connection open: the peer sees it end now.
    ::shutdown(fd.lowlevel_fd(), SHUT_RDWR);
    fd.close();
}

void StrmProtocol::local_prepare_head(Packet& p) { p.reserve_head(0); }

void StrmProtocol::local_prepare_tail(Packet& p) { p.reserve_tail(0); }

void StrmProtocol::local_activate() {
    if (!opened()) return on_deactivate(new Protocol_status_error(this, "fd not attached"));
    event.SetEvents(POLLIN);
    on_activate();
}

void StrmProtocol::local_deactivate() {
    release();
    on_deactivate(new Protocol_status_success(this, "success"));
}

void StrmProtocol::on_event(int, short revents) {
    if (revents & POLLERR)
        on_error("pollerr: " + Errno(PendingError(fd.lowlevel_fd())).text());
    else if (revents & POLLHUP)
        on_error("pollhup: " + Errno(PendingError(fd.lowlevel_fd())).text());
    else if (revents & POLLIN)
        do_read();
}

void StrmProtocol::do_read() {
    Packet piece;
    try {
        piece.reserve_head(0);
    } catch (const std::bad_alloc&) {
        // Nothing to read into: drop what is queued rather than spin on it,
        // and let the layer above forget the frame it was assembling.
        static unsigned char scratch[packet_max_size];
        ssize_t dropped = ::recv(fd.lowlevel_fd(), scratch, sizeof scratch, MSG_DONTWAIT);
        std::cerr << ext::header(this) << "no packet buffer, " << (dropped > 0 ? dropped : 0)
                  << " received octets dropped" << std::endl;
        if (dropped == 0 || (dropped < 0 && errno != EAGAIN))
            return on_error("read error: " + Errno(dropped == 0 ? 0 : errno).text());
        return on_status(new Protocol_status_error(this, "received octets dropped"));
    }
    read_measure.begin();
    ssize_t got =
        ::recv(fd.lowlevel_fd(), piece.tail(), piece.tailroom(), MSG_DONTWAIT | MSG_NOSIGNAL);
    int error = errno;
    read_measure.end();
    if (got > 0) {
        piece.put(unsigned(got));
        // A piece may hold many commands: their answers go out together.
        unhandled = &piece;
        on_message(piece);
        unhandled = nullptr;
        push_held();
    } else if (got == 0) {
        on_error("read error: " + Errno(0).text());
    } else if (error != EAGAIN && error != EWOULDBLOCK && error != EINTR) {
        on_error("read error: " + Errno(error).text());
    }
}

void StrmProtocol::push_held() {
    if (!holding) return;
    holding = false;
    // Clearing the cork sends whatever MSG_MORE held back, even when the cork
    // itself was never set.
    const int off = 0;
    if (opened()) ::setsockopt(fd.lowlevel_fd(), IPPROTO_TCP, TCP_CORK, &off, sizeof off);
}

void StrmProtocol::on_error(const std::string& text) {
    release();
    on_deactivate(new Protocol_status_error(this, text));
}

void StrmProtocol::message(Packet& p) {
    if (p.empty()) return;
    const std::uint32_t start = Mux::milliseconds();
    const unsigned char* next = p.data();
    unsigned left = p.length();
    // While commands of the read wait, this answer waits in the kernel for theirs;
    // the answer to the last command takes them all along, as a lone one leaves.
    int flags = MSG_NOSIGNAL;
    if (coalescing && unhandled && !unhandled->empty()) flags |= MSG_MORE;
    write_measure.begin();
    while (left > 0) {
        // MSG_NOSIGNAL: a reset connection fails the write with EPIPE rather
        // than raising SIGPIPE in a process that has not caught it.
        ssize_t written = ::send(fd.lowlevel_fd(), next, left, flags);
        if (written >= 0) {
            next += written;
            left -= unsigned(written);
            holding = (flags & MSG_MORE) != 0;  // a write without it sends all
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            Errno failure;
            write_measure.end();
            std::cerr << ext::header(this) << "write error";
            put_figures(std::cerr);
            std::cerr << ", error=" << failure << std::endl;
            ++overflow_counter;
            return on_error("write error: " + failure.text());
        }
        // Octets held back would keep the buffer full for good: let them go first.
        push_held();
        std::int32_t budget = std::int32_t(start + 1000 - Mux::milliseconds());
        if (budget > 0) {
            multiplexer.resetWD();
            pollfd entry = {fd.lowlevel_fd(), POLLOUT, 0};
            int ready = ::poll(&entry, 1, budget);
            int error = errno;
            multiplexer.resetWD();
            if (ready == 1 || (ready < 0 && error == EINTR)) continue;
        }
        write_measure.end();
        std::cerr << ext::header(this) << "write timeout";
        put_figures(std::cerr);
        std::cerr << std::endl;
        ++overflow_counter;
        return on_error("write timeout");
    }
    write_measure.end();
}

void StrmProtocol::PutHeader(std::ostream& os) const { os << "SockStream[" << name << "]: "; }

void StrmProtocol::put_figures(std::ostream& os) const {
    os << ", sendbuf=" << sendbuf_space() << ", recvbuf=" << recvbuf_space()
       << ", free=" << free_space() << ", inq=" << inq_space() << ", outq=" << outq_space();
}

int StrmProtocol::sendbuf_space() const { return IntOption(fd.lowlevel_fd(), SO_SNDBUF); }

int StrmProtocol::recvbuf_space() const { return IntOption(fd.lowlevel_fd(), SO_RCVBUF); }

int StrmProtocol::free_space() const {
    return outq_is_free ? outq_space() : sendbuf_space() - outq_space();
}

int StrmProtocol::inq_space() const { return IoctlFigure(fd.lowlevel_fd(), FIONREAD); }

int StrmProtocol::outq_space() const { return IoctlFigure(fd.lowlevel_fd(), TIOCOUTQ); }
