#include "hardware/sim/BoardSimDevice.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sys/socket.h>

namespace Board {

namespace {

// The kernel's largest error number (MAX_ERRNO).
constexpr int maxErrno = 4095;

// Every name the C library has for an error number, and the three that the
// headers give to another's number (EWOULDBLOCK is EAGAIN), which it never
// answers with: a driver may return any of them, and a test writes the one
// it fakes as the headers spell it.
const std::map<std::string, int>& ErrnoNames() {
    static const std::map<std::string, int> names = [] {
        std::map<std::string, int> table{
            {"EWOULDBLOCK", EWOULDBLOCK}, {"EDEADLOCK", EDEADLOCK}, {"ENOTSUP", ENOTSUP}};
        for (int n = 1; n <= maxErrno; ++n)
            if (const char* name = ::strerrorname_np(n)) table.emplace(name, n);
        return table;
    }();
    return names;
}

}  // namespace

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

// strtol would also take a sign or a second "0x" after the first, and stops
// at a NUL that a line may carry inside a word: only digits may follow the
// prefix (or a decimal number's sign), up to the word's end.
bool SimDevice::ParseNumber(const std::string& word, long& value, long min, long max) {
    const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    std::size_t first = hex ? 2 : 0;
    if (!hex && !word.empty() && (word[0] == '-' || word[0] == '+')) first = 1;
    const auto digit = [hex](char c) {
        return hex ? std::isxdigit(static_cast<unsigned char>(c))
                   : std::isdigit(static_cast<unsigned char>(c));
    };
    if (first == word.size() || !std::all_of(word.begin() + first, word.end(), digit)) return false;
    errno = 0;
    const long parsed = std::strtol(word.c_str() + (hex ? 2 : 0), nullptr, hex ? 16 : 10);
    if (errno != 0 || parsed < min || parsed > max) return false;
    value = parsed;
    return true;
}

bool SimDevice::ParseErrno(const std::string& word, int& error) {
    const auto named = ErrnoNames().find(word);
    if (named != ErrnoNames().end()) {
        error = named->second;
        return true;
    }
    long number;
    if (!ParseNumber(word, number, 1, maxErrno)) return false;
    error = int(number);
    return true;
}

std::string SimDevice::HexOctet(int octet) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", unsigned(octet) & 0xFF);
    return text;
}

std::string SimDevice::HexNumber(unsigned long value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

}  // namespace Board
