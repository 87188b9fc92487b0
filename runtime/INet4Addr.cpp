#include "runtime/INet4Addr.h"

#include <arpa/inet.h>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace INet4 {

static_assert(sizeof(Addr) == sizeof(sockaddr_in), "an Addr is a sockaddr_in and nothing else");

namespace {

// The port text read as atoi reads it (blanks and a sign, digits up to the
// first non-digit, 0 without digits), kept within int.
int ReadPort(const char* text) {
    long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return int(value);
}

}  // namespace

Addr::Addr(const std::string& text) {
    Reset();
    Assign(text);
}

void Addr::Reset() {
    std::memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
}

bool Addr::Assign(const char* text, int* portOut) {
    const char* colon = std::strchr(text, ':');
    bool portOk = true;
    std::string address;
    if (colon) {
        int value = ReadPort(colon + 1);
        if (portOut) *portOut = value;
        portOk = value >= 0 && value <= 65535;
        if (portOk) port((unsigned short)value);
        address.assign(text, colon);
    } else {
        if (portOut) *portOut = -1;
        address = text;
    }
    in_addr parsed;
    if (!::inet_aton(address.c_str(), &parsed)) return false;
    sa.sin_addr = parsed;
    return portOk;
}

void Addr::Assign(unsigned long address) { sa.sin_addr.s_addr = in_addr_t(address); }

void Addr::port(unsigned short p) { sa.sin_port = htons(p); }

unsigned short Addr::port() const { return ntohs(sa.sin_port); }

std::string Addr::GetStrAddr() const {
    char text[INET_ADDRSTRLEN];
    return ::inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
}

std::string Addr::GetString() const { return GetStrAddr() + ":" + std::to_string(port()); }

void Addr::Put(std::ostream& out) const { out << std::dec << GetString(); }

std::vector<unsigned char> Addr::GetVector() const {
    const auto* octets = reinterpret_cast<const unsigned char*>(&sa.sin_addr.s_addr);
    return std::vector<unsigned char>(octets, octets + 4);
}

bool Addr::IsEqual(const Addr& other) const {
    return sa.sin_addr.s_addr == other.sa.sin_addr.s_addr && sa.sin_port == other.sa.sin_port;
}

std::ostream& operator<<(std::ostream& out, const Addr& addr) {
    addr.Put(out);
    return out;
}

}  // namespace INet4
