#include "tests/support/Isolation.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

namespace TestSupport {

namespace {

std::string Failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool LoopbackUp(std::string& why) {
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return why = Failed("socket"), false;
    ifreq req{};
    std::strncpy(req.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ::ioctl(s, SIOCGIFFLAGS, &req) == 0;
    if (ok) {
        req.ifr_flags |= IFF_UP | IFF_RUNNING;
        ok = ::ioctl(s, SIOCSIFFLAGS, &req) == 0;
    }
    if (!ok) why = Failed("loopback up");
    ::close(s);
    return ok;
}

}  // namespace

bool EnterPrivateNamespaces(std::string& why) {
    if (::unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) return why = Failed("unshare"), false;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return why = Failed("private mounts"), false;
    return LoopbackUp(why);
}

bool MountTmpfs(const std::string& dir, std::string& why) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) return why = dir + ": " + error.message(), false;
    if (::mount("none", dir.c_str(), "tmpfs", 0, "mode=0755") != 0)
        return why = Failed(dir.c_str()), false;
    return true;
}

}  // namespace TestSupport
