#include "control/LocalAddr.h"

#include <algorithm>
#include <cstring>

namespace Local {

Addr::Addr() {
    std::memset(&sa, 0, sizeof sa);
    sa.sun_family = AF_UNIX;
}

Addr::Addr(const sockaddr_un& address, socklen_t length) : Addr() {
    // An unnamed peer reports the family alone; an abstract one starts with a
    // zero octet and so reads as no name. The last octet stays zero.
    const socklen_t start = offsetof(sockaddr_un, sun_path);
    if (length > start)
        std::memcpy(sa.sun_path, address.sun_path, std::min<std::size_t>(length - start, max_path));
}

bool Addr::Assign(const std::string& path) {
    std::memset(sa.sun_path, 0, sizeof sa.sun_path);
    if (path.empty() || path.size() > max_path || path.find('\0') != std::string::npos)
        return false;
    path.copy(sa.sun_path, path.size());
    return true;
}

std::ostream& operator<<(std::ostream& out, const Addr& addr) { return out << addr.GetString(); }

}  // namespace Local
