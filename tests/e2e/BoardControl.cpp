#include "tests/e2e/BoardControl.h"

#include <chrono>
#include <cstdio>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

struct Socket {
    ~Socket() {
        if (fd >= 0) ::close(fd);
    }
    int fd = -1;
};

}  // namespace

std::string BoardControl::Ask(const std::string& line, unsigned limitMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
    Socket s;
    s.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // The daemon may still be starting: its socket appears with the board.
    bool connected = false;
    while (!connected && Clock::now() < end) {
        connected = ::connect(s.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (!connected) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string request = line + '\n';
    if (!connected || ::send(s.fd, request.data(), request.size(), MSG_NOSIGNAL) < 0)
        return "no reply";
    std::string reply;
    while (reply.empty() || reply.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        pollfd p{s.fd, POLLIN, 0};
        char buffer[256];
        ssize_t n = 0;
        if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) != 1 ||
            (n = ::recv(s.fd, buffer, sizeof buffer, 0)) <= 0)
            return "no reply";
        reply.append(buffer, std::size_t(n));
    }
    reply.pop_back();
    return reply;
}
