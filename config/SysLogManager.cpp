#include "config/SysLogManager.h"

#include "runtime/MuxClock.h"

#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <type_traits>

static_assert(std::is_trivially_destructible<SysLogManager>::value,
              "the streams may log through the manager until the process ends");

SysLogManager syslogManager;

namespace {

const char* const defaultIdent = "syslog-qx";
const int facilityBits = 0x3f8;

}  // namespace

void SysLogManager::setServerPath(const char* path) {
    std::snprintf(serverPath, sizeof serverPath, "%s", path);
}

void SysLogManager::openlog(const char* newIdent, int newOptions, int newFacility) {
    if (newIdent) ident = newIdent;
    options = newOptions;
    if (newFacility != 0 && (newFacility & ~facilityBits) == 0) facility = newFacility;

    for (int attempt = 0; attempt < 2; ++attempt) {
        if (sock < 0 && (options & LOG_NDELAY)) {
            sock = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
            if (sock < 0) return;
        }
        if (sock < 0 || connected) return;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        static_assert(sizeof address.sun_path == sizeof serverPath, "both hold a socket path");
        std::memcpy(address.sun_path, serverPath, sizeof serverPath);
        if (::connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            connected = true;
            return;
        }
        const int error = errno;
        closeConnection();
        if (error != EPROTOTYPE) return;
        type = type == SOCK_DGRAM ? SOCK_STREAM : SOCK_DGRAM;
    }
}

void SysLogManager::closeConnection() {
    if (sock >= 0) ::close(sock);
    sock = -1;
    connected = false;
}

void SysLogManager::closelog() {
    closeConnection();
    ident = defaultIdent;
    type = SOCK_DGRAM;
    dropQueue();
}

void SysLogManager::syslog(int priority, const char* format, ...) {
    if (!(mask & (1 << (priority & 7)))) return;
    if ((priority & facilityBits) == 0) priority |= facility;

    // Every piece is cut so that the message keeps at most MessageSize - 1 characters.
    int length = 0;
    auto advance = [&](int written) {
        if (written > 0) length = std::min(length + written, MessageSize - 1);
    };
    advance(std::snprintf(message, MessageSize, "<%d>", priority));
    const std::time_t now = Mux::seconds();
    std::tm local;
    ::localtime_r(&now, &local);
    advance(int(
        std::strftime(message + length, std::size_t(MessageSize - length), "%h %e %T ", &local)));
    const int visible = length;
    if (*ident)
        advance(std::snprintf(message + length, std::size_t(MessageSize - length), "%s", ident));
    if (options & LOG_PID)
        advance(std::snprintf(message + length, std::size_t(MessageSize - length), "[%d]",
                              int(::getpid())));
    if (*ident) advance(std::snprintf(message + length, std::size_t(MessageSize - length), ": "));
    va_list args;
    va_start(args, format);
    advance(std::vsnprintf(message + length, std::size_t(MessageSize - length), format, args));
    va_end(args);
    message[length] = '\0';

    if (options & LOG_PERROR) {
        iovec parts[2] = {{message + visible, std::size_t(length - visible)},
                          {const_cast<char*>("\n"), 1}};
        const bool endsLine = length > visible && message[length - 1] == '\n';
        ssize_t ignored = ::writev(STDERR_FILENO, parts, endsLine ? 1 : 2);
        (void)ignored;
    }

    if (!connected) openlog(ident, options | LOG_NDELAY, 0);
    if (connected && queue(message, length + 1) >= 0) return;

    closeConnection();
    if (options & LOG_CONS) writeConsole(message + visible);
}

void SysLogManager::writeConsole(const char* text) {
    const int console = ::open("/dev/console", O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (console < 0) return;
    ::dprintf(console, "%s\r\n", text);
    ::close(console);
}

int SysLogManager::queue(const char* text, int length) {
    // With messages of at most MessageSize octets this never happens; should it,
    // the queue goes out first so that nothing is dropped.
    if (count >= BatchMessages || used + length >= BatchSize) sendQueued();
    std::memcpy(batch + used, text, std::size_t(length));
    entries[count].iov_base = batch + used;
    entries[count].iov_len = std::size_t(length);
    ++count;
    used += length;
    if (count >= BatchMessages || used > SendAbove) return sendQueued();
    return 0;
}

int SysLogManager::sendmsg() { return sendQueued(); }

// A failed send finds the server gone (restarted, or its socket replaced):
// reconnect and send what did not go out once more, so no queued message is lost
// to a restart of the server.
int SysLogManager::sendQueued() {
    if (count == 0) return 0;
    int result = connected ? (type == SOCK_DGRAM ? sendDatagrams() : sendStream()) : -1;
    if (result < 0) {
        closeConnection();
        openlog(ident, options | LOG_NDELAY, 0);
        if (connected) result = type == SOCK_DGRAM ? sendDatagrams() : sendStream();
    }
    dropQueue();
    return result;
}

// Each message is a datagram of its own, all of them in one sendmmsg().
int SysLogManager::sendDatagrams() {
    mmsghdr headers[BatchMessages];
    std::memset(headers, 0, sizeof headers);
    for (int i = sent; i < count; ++i) {
        headers[i].msg_hdr.msg_iov = &entries[i];
        headers[i].msg_hdr.msg_iovlen = 1;
    }
    while (sent < count) {
        const int n = ::sendmmsg(sock, headers + sent, unsigned(count - sent), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        sent += n;
    }
    return used;
}

// A stream carries the messages back to back, each ended by its NUL.
int SysLogManager::sendStream() {
    int offset = 0;
    for (int i = 0; i < sent; ++i) offset += int(entries[i].iov_len);
    while (offset < used) {
        const ssize_t n = ::send(sock, batch + offset, std::size_t(used - offset), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            // Whole messages that went out are not sent again.
            int done = 0;
            for (sent = 0; sent < count && done + int(entries[sent].iov_len) <= offset; ++sent)
                done += int(entries[sent].iov_len);
            return -1;
        }
        offset += int(n);
    }
    sent = count;
    return used;
}

void SysLogManager::dropQueue() {
    used = 0;
    count = 0;
    sent = 0;
}
