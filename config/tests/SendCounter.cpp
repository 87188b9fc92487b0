#include "config/tests/SendCounter.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <atomic>

namespace {

std::atomic<int> counter{0};

template <class F>
F next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

namespace SendCounter {

void reset() { counter = 0; }
int calls() { return counter; }

}  // namespace SendCounter

extern "C" ssize_t send(int fd, const void* buffer, size_t length, int flags) {
    static const auto real = next<ssize_t (*)(int, const void*, size_t, int)>("send");
    ++counter;
    return real(fd, buffer, length, flags);
}

extern "C" ssize_t sendmsg(int fd, const struct msghdr* message, int flags) {
    static const auto real = next<ssize_t (*)(int, const struct msghdr*, int)>("sendmsg");
    ++counter;
    return real(fd, message, flags);
}

extern "C" int sendmmsg(int fd, struct mmsghdr* messages, unsigned int count, int flags) {
    static const auto real = next<int (*)(int, struct mmsghdr*, unsigned int, int)>("sendmmsg");
    ++counter;
    return real(fd, messages, count, flags);
}
