#include "control/ServiceUnix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <iostream>

namespace Control {

int ServiceUnix::Accept(int listening, Address& peer) {
    sockaddr_un address;
    socklen_t size = sizeof address;
    const int accepted =
        ::accept4(listening, reinterpret_cast<sockaddr*>(&address), &size, SOCK_CLOEXEC);
    if (accepted >= 0) peer = Address(address, size);
    return accepted;
}

bool ServiceUnix::ClaimPath(const std::string& path, Address& address) const {
    if (!address.Assign(path)) {
        std::cerr << "can't bind to domain socket '" << path << "': empty or longer than "
                  << Address::max_path << " characters" << std::endl;
        return false;
    }
    // Only a socket file is ours to replace: a configuration slip must not
    // delete a regular file or a directory.
    struct stat found;
    if (::lstat(path.c_str(), &found) < 0) return true;
    if (!S_ISSOCK(found.st_mode)) {
        std::cerr << "can't bind to domain socket '" << path << "': not a socket, left in place"
                  << std::endl;
        return false;
    }
    ::unlink(path.c_str());
    return true;
}

}  // namespace Control
