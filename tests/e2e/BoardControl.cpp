#include "tests/e2e/BoardControl.h"

#include <chrono>
#include <cstdio>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

std::string BoardControl::Ask(const std::string& line, unsigned limitMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    auto msLeft = [&] {
        return int(
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
    };
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // The daemon may still be starting: its socket appears with the board.
    while (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && msLeft() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string request = line + '\n';
    std::string reply;
    if (::send(s, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
        char buffer[256];
        ssize_t n = 0;
        pollfd p{s, POLLIN, 0};
        while ((reply.empty() || reply.back() != '\n') && msLeft() > 0 &&
               ::poll(&p, 1, msLeft()) == 1 && (n = ::recv(s, buffer, sizeof buffer, 0)) > 0)
            reply.append(buffer, std::size_t(n));
    }
    ::close(s);
    if (reply.empty() || reply.back() != '\n') return "no reply";
    reply.pop_back();
    return reply;
}
