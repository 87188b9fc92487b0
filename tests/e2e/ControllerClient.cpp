#include "tests/e2e/ControllerClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

}  // namespace

ControllerClient::~ControllerClient() { Close(); }

bool ControllerClient::Connect(std::uint16_t port, unsigned limitMs) {
    Close();
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    do {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0) {
            closed = false;
            pending.clear();
            return true;
        }
        Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (Clock::now() < end);
    return false;
}

void ControllerClient::Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

bool ControllerClient::WriteRaw(const std::string& octets) {
    size_t done = 0;
    while (done < octets.size()) {
        ssize_t n = ::send(fd, octets.data() + done, octets.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

bool ControllerClient::Fill(size_t need, unsigned limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (pending.size() < need && !closed) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, MsLeft(end)) <= 0) return false;
        char buffer[4096];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closed = true;
            break;
        }
        pending.append(buffer, size_t(n));
    }
    return pending.size() >= need;
}

bool ControllerClient::ReadFrame(std::string& body, unsigned limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        if (!Fill(4, unsigned(MsLeft(end)))) return false;
        if (pending[0] != 3 || pending[1] != 0) return false;
        const size_t length = size_t(std::uint8_t(pending[2])) << 8 | std::uint8_t(pending[3]);
        if (length < 4 || !Fill(length, unsigned(MsLeft(end)))) return false;
        body = pending.substr(4, length - 4);
        pending.erase(0, length);
        Lgcp::Message m;
        if (keepStatus || !Lgcp::Decode(body, m) || m.signalIndex != 11) return true;
    }
}

std::string ControllerClient::ReadAnswer(unsigned limitMs) {
    std::string body;
    if (!ReadFrame(body, limitMs)) return closed ? "closed" : "timeout";
    Lgcp::Message message;
    if (!Lgcp::Decode(body, message)) return "undecodable";
    return Lgcp::Describe(message);
}

bool ControllerClient::Silent(unsigned limitMs) {
    std::string body;
    return !ReadFrame(body, limitMs) && !closed;
}

bool ControllerClient::SeesClose(unsigned limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!closed && MsLeft(end) > 0) {
        pending.clear();
        Fill(1, unsigned(MsLeft(end)));
    }
    return closed;
}
