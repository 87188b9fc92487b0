#include "tests/support/BoardControlClient.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace TestSupport {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    return left.count() > 0 ? int(left.count()) : 0;
}

}  // namespace

BoardControlClient::BoardControlClient(const std::string& path, unsigned waitMs) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const auto end = Clock::now() + std::chrono::milliseconds(waitMs);
    sock = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    while (sock >= 0 &&
           ::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (MsLeft(end) == 0) {
            Close();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void BoardControlClient::Close() {
    if (sock >= 0) ::close(sock);
    sock = -1;
}

bool BoardControlClient::EndLines() { return sock >= 0 && ::shutdown(sock, SHUT_WR) == 0; }

bool BoardControlClient::Send(const std::string& text) {
    return sock >= 0 &&
           ::send(sock, text.data(), text.size(), MSG_NOSIGNAL) == ssize_t(text.size());
}

bool BoardControlClient::Receive() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = sock < 0 ? 0 : ::recv(sock, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            received.append(buffer, std::size_t(n));
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    }
}

std::string BoardControlClient::Available() {
    Receive();
    std::string text;
    text.swap(received);
    return text;
}

std::string BoardControlClient::Ask(const std::string& line, unsigned limitMs, const Serve& serve) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    if (!Send(line + '\n')) return noReply;
    for (bool open = true;;) {
        const std::size_t newline = received.find('\n');
        if (newline != std::string::npos) {
            std::string reply = received.substr(0, newline);
            received.erase(0, newline + 1);
            return reply;
        }
        if (!open || MsLeft(end) == 0) return noReply;
        if (serve) {
            serve();
        } else {
            pollfd p{sock, POLLIN, 0};
            ::poll(&p, 1, MsLeft(end));
        }
        open = Receive();
    }
}

}  // namespace TestSupport
