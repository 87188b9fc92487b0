#include "config/tests/SyslogSink.h"

#include "tests/support/Fork.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
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
    const int listener = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ::unlink(socketPath.c_str());
    int channel[2];
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        (type == SOCK_STREAM && ::listen(listener, 4)) || ::pipe2(channel, O_CLOEXEC))
        throw std::runtime_error("cannot set up the syslog sink");
    const pid_t test = ::getpid();
    receiver = TestSupport::ForkAlone();
    if (receiver == 0) {
        // The receiver ends with the test, however the test ends.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != test) ::_exit(0);
        ::close(channel[0]);
        relay(listener, channel[1]);
    }
    const int forkError = errno;
    ::close(listener);
    ::close(channel[1]);
    relayed = channel[0];
    if (receiver < 0)
        throw std::runtime_error(std::string("cannot start the syslog sink: ") +
                                 std::strerror(forkError));
}

SyslogSink::~SyslogSink() {
    stop();
    ::close(relayed);
    if (ownsDir) ::rmdir(dir.c_str());
}

void SyslogSink::stop() {
    if (receiver <= 0) return;
    ::kill(receiver, SIGKILL);
    ::waitpid(receiver, nullptr, 0);
    receiver = -1;
    ::unlink(socketPath.c_str());
}

// The receiving process: takes every message as it arrives and passes it on
// as fast as the test reads them. Until then a message waits here, never in
// the socket, whose queue is short (ten datagrams).
void SyslogSink::relay(int listener, int out) {
    ::fcntl(out, F_SETFL, O_NONBLOCK);
    int source = listener;
    std::string pending;  // stream: octets of a message not yet ended by NUL
    std::string outbox;   // messages, each after its length, the test has not read
    const auto add = [&outbox](const std::string& message) {
        const std::uint32_t size = std::uint32_t(message.size());
        outbox.append(reinterpret_cast<const char*>(&size), sizeof size).append(message);
    };
    char buffer[65536];
    for (;;) {
        pollfd fds[2] = {{source, POLLIN, 0}, {out, short(outbox.empty() ? 0 : POLLOUT), 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents & POLLERR) ::_exit(0);  // the test no longer reads
        if (fds[1].revents & POLLOUT) {
            const ssize_t n = ::write(out, outbox.data(), outbox.size());
            if (n > 0) outbox.erase(0, std::size_t(n));
        }
        if (!fds[0].revents) continue;
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
}

// Reads what the receiver passed on within timeoutMs; false when nothing came.
bool SyslogSink::take(int timeoutMs) {
    pollfd fd{relayed, POLLIN, 0};
    char buffer[65536];
    if (::poll(&fd, 1, timeoutMs) <= 0) return false;
    const ssize_t n = ::read(relayed, buffer, sizeof buffer);
    if (n <= 0) return false;
    partial.append(buffer, std::size_t(n));
    for (std::uint32_t size; partial.size() >= sizeof size; partial.erase(0, sizeof size + size)) {
        std::memcpy(&size, partial.data(), sizeof size);
        if (partial.size() - sizeof size < size) break;
        messages.push_back(partial.substr(sizeof size, size));
    }
    return true;
}

std::vector<std::string> SyslogSink::waitFor(std::size_t n, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (messages.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() < 0 || !take(int(left.count()))) break;
    }
    return messages;
}
