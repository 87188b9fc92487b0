#include "config/tests/SyslogSink.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

std::string SyslogMessage(int priority, const std::string& rest) {
    return "<" + std::to_string(priority) + ">Oct 11 16:46:01 " + rest + std::string(1, '\0');
}

SyslogSink::SyslogSink(int type, const std::string& where) : type(type), dir(where) {
    if (dir.empty()) {
        char templ[] = "/tmp/halvox-syslog-XXXXXX";
        if (!::mkdtemp(templ)) throw std::runtime_error("mkdtemp failed");
        dir = templ;
        ownsDir = true;
    }
    socketPath = dir + "/log";
    listener = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ::unlink(socketPath.c_str());
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        (type == SOCK_STREAM && ::listen(listener, 4)) || ::pipe2(wakeup, O_CLOEXEC))
        throw std::runtime_error("cannot set up the syslog sink");
    reader = std::thread([this] { receive(); });
}

SyslogSink::~SyslogSink() {
    stop();
    if (ownsDir) ::rmdir(dir.c_str());
}

void SyslogSink::stop() {
    if (!reader.joinable()) return;
    char byte = 0;
    if (::write(wakeup[1], &byte, 1) != 1) std::abort();
    reader.join();
    ::close(wakeup[0]);
    ::close(wakeup[1]);
    ::close(listener);
    ::unlink(socketPath.c_str());
}

void SyslogSink::add(std::string message) {
    std::lock_guard<std::mutex> guard(lock);
    messages.push_back(std::move(message));
    arrived.notify_all();
}

void SyslogSink::receive() {
    int source = listener;
    std::string pending;  // stream: octets of a message not yet ended by NUL
    char buffer[65536];
    for (;;) {
        pollfd fds[2] = {{wakeup[0], POLLIN, 0}, {source, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[0].revents) break;
        if (!fds[1].revents) continue;
        if (type == SOCK_STREAM && source == listener) {
            source = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (source < 0) source = listener;
            continue;
        }
        const ssize_t n = ::recv(source, buffer, sizeof buffer, 0);
        if (n <= 0) {
            if (source != listener) {
                ::close(source);
                source = listener;
            }
            continue;
        }
        if (type == SOCK_DGRAM) {
            add(std::string(buffer, std::size_t(n)));
            continue;
        }
        pending.append(buffer, std::size_t(n));
        for (std::size_t end; (end = pending.find('\0')) != std::string::npos;) {
            add(pending.substr(0, end + 1));
            pending.erase(0, end + 1);
        }
    }
    if (source != listener) ::close(source);
}

std::vector<std::string> SyslogSink::waitFor(std::size_t n, int timeoutMs) {
    std::unique_lock<std::mutex> guard(lock);
    arrived.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                     [&] { return messages.size() >= n; });
    return messages;
}
