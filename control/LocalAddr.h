// The Unix-domain socket address of the local transports: a path name in the
// file system, refused rather than cut when it does not fit, never abstract.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <cstddef>
#include <ostream>
#include <string>

namespace Local {

class Addr {
public:
    // The longest path that still ends with a zero octet inside the address.
    static constexpr std::size_t max_path = sizeof(sockaddr_un::sun_path) - 1;

    // No name: the text is empty.
    Addr();
    // What accept() filled in: only the first length octets are read.
    Addr(const sockaddr_un& address, socklen_t length);

    // False, leaving no name, for an empty path, one longer than max_path or
    // one holding a zero octet.
    bool Assign(const std::string& path);

    std::string GetString() const { return sa.sun_path; }

    operator sockaddr*() { return reinterpret_cast<sockaddr*>(&sa); }
    operator const sockaddr*() const { return reinterpret_cast<const sockaddr*>(&sa); }
    static socklen_t size() { return sizeof(sockaddr_un); }

private:
    sockaddr_un sa;
};

std::ostream& operator<<(std::ostream& out, const Addr& addr);

}  // namespace Local
