#include "hardware/BoardSimDevice.h"

#include <cerrno>
#include <cstdlib>
#include <sys/socket.h>

namespace Board {

bool SimOpen::Deliver(const void* record, std::size_t length) {
    return ::send(driverEnd, record, length, MSG_DONTWAIT | MSG_NOSIGNAL) == ssize_t(length);
}

void SimOpen::Block(int daemonEnd) {
    if (blocked) return;
    blocked = true;
    // Until the buffer is full; the kernel reports the socket writable only
    // once most of it has drained again, which Unblock does at once.
    static const char filler[4096] = {};
    while (::send(daemonEnd, filler, sizeof filler, MSG_DONTWAIT | MSG_NOSIGNAL) > 0) {
    }
}

void SimOpen::Unblock() {
    if (!blocked) return;
    blocked = false;
    static char sink[4096];
    while (::recv(driverEnd, sink, sizeof sink, MSG_DONTWAIT) > 0) {
    }
}

void SimOpen::Hangup() { ::shutdown(driverEnd, SHUT_WR); }

int SimDevice::OnIoctl(SimOpen&, unsigned long, void*) { return -ENOTTY; }

int SimDevice::OnIoctlValue(SimOpen&, unsigned long, unsigned long) { return -ENOTTY; }

ssize_t SimDevice::OnWrite(SimOpen&, const void*, std::size_t) { return -EINVAL; }

std::string SimDevice::OnCommand(const std::vector<std::string>&) {
    return "error: unknown command";
}

bool SimDevice::ParseNumber(const std::string& word, long& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    errno = 0;
    bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    value = std::strtol(word.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    return errno == 0 && *end == '\0' && end != word.c_str() + (hex ? 2 : 0);
}

}  // namespace Board
