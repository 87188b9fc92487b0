#include "tests/support/Isolation.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

bool Unshare(std::string& why) {
    if (::unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) return why = Failed("unshare"), false;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return why = Failed("private mounts"), false;
    return LoopbackUp(why);
}

bool WriteWhole(const char* path, const std::string& text, std::string& why) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (!ok) why = Failed(path);
    if (fd >= 0) ::close(fd);
    return ok;
}

// Set before main once the machine gave this program its user namespace:
// whatever fails after that is the set-up's own fault.
bool enteredUserNamespace = false;

// A user who is not root may still make a user namespace in which it is root,
// and private namespaces inside it. The kernel allows that only while the
// process runs one thread, hence before main. A process never goes back to
// namespaces it left, so the ones each isolated test returns to are made
// here too, inside the user namespace. Returns why that was refused, or
// nothing (root needs none of this).
std::string EnterUserNamespace() {
    if (::geteuid() == 0) return "";
    const std::string uid = std::to_string(::geteuid());
    const std::string gid = std::to_string(::getegid());
    if (::unshare(CLONE_NEWUSER) != 0) return Failed("user namespace");
    enteredUserNamespace = true;
    // A user's group map is taken only once setgroups is denied: dropping a
    // group could otherwise grant what that group is denied.
    std::string why;
    if (!WriteWhole("/proc/self/uid_map", "0 " + uid + " 1\n", why) ||
        !WriteWhole("/proc/self/setgroups", "deny", why) ||
        !WriteWhole("/proc/self/gid_map", "0 " + gid + " 1\n", why) || !Unshare(why))
        return why;
    return "";
}

const std::string userNamespaceRefused = EnterUserNamespace();

// What an isolated test started with, given back when it ends. Each later
// test of the same program would otherwise inherit its mounts: a /dev
// covered by an empty tmpfs has no null device and no terminals.
class Restorer : public ::testing::EmptyTestEventListener {
public:
    // The first isolation of a test saves; a second one nests inside it.
    bool Save(std::string& why) {
        if (saved) return true;
        mounts = ::open("/proc/self/ns/mnt", O_RDONLY | O_CLOEXEC);
        network = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        directory = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
        saved = mounts >= 0 && network >= 0 && directory >= 0;
        if (!saved) {
            why = Failed("saving the namespaces");
            Close();
        }
        return saved;
    }

    // After the fixture is gone. Staying in the test's namespaces would hand
    // the next cases a machine that is not the one they expect.
    void OnTestEnd(const ::testing::TestInfo&) override {
        if (!saved) return;
        // Entering a mount namespace moves to its root: the directory follows.
        if (!Rejoin(mounts, "/proc/self/ns/mnt", CLONE_NEWNS) ||
            !Rejoin(network, "/proc/self/ns/net", CLONE_NEWNET) || ::fchdir(directory) != 0) {
            std::cerr << "isolation: " << Failed("giving the namespaces back") << std::endl;
            std::abort();
        }
        Close();
    }

private:
    // A test that could not leave (no privilege) has nothing to rejoin.
    static bool Rejoin(int fd, const char* current, int type) {
        struct stat was;
        struct stat now;
        if (::fstat(fd, &was) != 0 || ::stat(current, &now) != 0) return false;
        return (was.st_ino == now.st_ino && was.st_dev == now.st_dev) || ::setns(fd, type) == 0;
    }

    void Close() {
        for (int* fd : {&mounts, &network, &directory}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
        saved = false;
    }

    bool saved = false;
    int mounts = -1;
    int network = -1;
    int directory = -1;
};

}  // namespace

bool IsolateThisTest(std::string& why) {
    // Owned by the test framework's listener list once appended.
    static Restorer* const restorer = [] {
        auto* r = new Restorer;
        ::testing::UnitTest::GetInstance()->listeners().Append(r);
        return r;
    }();
    return restorer->Save(why) && EnterPrivateNamespaces(why);
}

bool EnteredUserNamespace() { return enteredUserNamespace; }

bool EnterPrivateNamespaces(std::string& why) {
    if (!userNamespaceRefused.empty()) return why = userNamespaceRefused, false;
    return Unshare(why);
}

bool MountTmpfs(const std::string& dir, std::string& why, std::initializer_list<const char*> keep) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) return why = dir + ": " + error.message(), false;
    // The machine's nodes are held before the tmpfs hides them.
    std::vector<int> nodes;
    bool ok = true;
    for (const char* node : keep) {
        nodes.push_back(::open(node, O_PATH | O_CLOEXEC));
        if (ok && nodes.back() < 0) ok = false, why = Failed(node);
    }
    if (ok && ::mount("none", dir.c_str(), "tmpfs", 0, "mode=0755") != 0)
        ok = false, why = Failed(dir.c_str());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        ok = ok && BindNode("/proc/self/fd/" + std::to_string(nodes[i]), keep.begin()[i], why);
        if (nodes[i] >= 0) ::close(nodes[i]);
    }
    return ok;
}

bool BindNode(const std::string& node, const std::string& path, std::string& why) {
    if (::mknod(path.c_str(), S_IFREG | 0600, 0) != 0 ||
        ::mount(node.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0)
        return why = Failed(path.c_str()), false;
    return true;
}

}  // namespace TestSupport
