#include "runtime/Net.h"

#include "runtime/Fd.h"

#include <arpa/inet.h>
#include <cstring>
#include <functional>
#include <net/if.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Net {

namespace {

const unsigned interfacesSeen = 16;

bool InRange(in_addr_t host, in_addr_t net, unsigned prefix) {
    return (host >> (32 - prefix)) == (net >> (32 - prefix));
}

bool Selected(const char* name, in_addr_t host, ifconfig_mode_t mode) {
    if ((mode & NotLoopback) && ::strcasecmp(name, "lo") != 0) return true;
    if ((mode & LinkLocal) && InRange(host, 0xA9FE0000, 16)) return true;
    if ((mode & Private) && (InRange(host, 0xC0A80000, 16) || InRange(host, 0xAC100000, 12) ||
                             InRange(host, 0x0A000000, 8)))
        return true;
    return mode == 0;
}

// Calls take(socket, entry) for each selected IPv4 interface entry whose
// address can be read; the number of entries it accepted, or -1.
int ForEachSelected(ifconfig_mode_t mode, const std::function<bool(int, ifreq&)>& take) {
    Fd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!sock) return -1;
    ifreq entries[interfacesSeen];
    std::memset(entries, 0, sizeof entries);
    ifconf conf;
    conf.ifc_len = sizeof entries;
    conf.ifc_req = entries;
    if (::ioctl(sock.lowlevel_fd(), SIOCGIFCONF, &conf) != 0) return -1;
    int count = 0;
    for (unsigned i = 0; i < unsigned(conf.ifc_len) / sizeof(ifreq); ++i) {
        ifreq& entry = entries[i];
        if (entry.ifr_addr.sa_family != AF_INET) continue;
        in_addr_t host = ntohl(reinterpret_cast<sockaddr_in&>(entry.ifr_addr).sin_addr.s_addr);
        if (!Selected(entry.ifr_name, host, mode)) continue;
        if (::ioctl(sock.lowlevel_fd(), SIOCGIFADDR, &entry) != 0) continue;
        if (take(sock.lowlevel_fd(), entry)) ++count;
    }
    return count;
}

}  // namespace

std::string hostname() {
    char name[512];
    if (::gethostname(name, sizeof name) != 0) return std::string();
    name[sizeof name - 1] = '\0';
    return name;
}

int hostname(const std::string& name) { return ::sethostname(name.data(), name.size()); }

int ifconfig(std::list<INet4::Addr>& out, ifconfig_mode_t mode) {
    return ForEachSelected(mode, [&](int, ifreq& entry) {
        sockaddr_in address = reinterpret_cast<sockaddr_in&>(entry.ifr_addr);
        address.sin_port = 0;
        out.emplace_back(address);
        return true;
    });
}

int ifconfig(std::list<std::string>& out, ifconfig_mode_t mode, unsigned flags) {
    return ForEachSelected(mode, [&](int sock, ifreq& entry) {
        if (::ioctl(sock, SIOCGIFFLAGS, &entry) != 0) return false;
        if ((unsigned(static_cast<unsigned short>(entry.ifr_flags)) & flags) != flags) return false;
        out.emplace_back(entry.ifr_name);
        return true;
    });
}

}  // namespace Net
