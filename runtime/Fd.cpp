#include "runtime/Fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool ChangeStatusFlags(int fd, int set, int clear) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    return ::fcntl(fd, F_SETFL, (flags | set) & ~clear) == 0;
}

}  // namespace

Fd::Fd(int descriptor) : fd(descriptor) {
    if (fd >= 0) SetCloexec(fd, true);
}

Fd::Fd(const Fd& other) : fd(other.dup()) {}

Fd::Fd(Fd&& other) noexcept : fd(other.fd) { other.fd = -1; }

Fd& Fd::operator=(const Fd& other) {
    if (this != &other) {
        drop();
        fd = other.dup();
    }
    return *this;
}

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        drop();
        fd = other.fd;
        other.fd = -1;
    }
    return *this;
}

Fd::~Fd() { drop(); }

void Fd::drop() noexcept {
    if (fd < 0) return;
    const int saved = errno;
    ::close(fd);
    fd = -1;
    errno = saved;
}

int Fd::dup() const {
    if (fd < 0) return -1;
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

bool Fd::open(const char* path, int flags) {
    drop();
    fd = ::open(path, flags | O_CLOEXEC, 0644);
    return fd >= 0;
}

bool Fd::OpenRegular(const char* path, int flags) {
    if (!open(path, flags | O_NONBLOCK)) return false;
    struct stat status;
    if (::fstat(fd, &status) == 0) {
        if (S_ISREG(status.st_mode)) return true;
        errno = S_ISDIR(status.st_mode) ? EISDIR : ENXIO;
    }
    drop();
    return false;
}

int Fd::close() {
    if (fd < 0) {
        errno = EBADF;
        return -1;
    }
    int result = ::close(fd);
    fd = -1;
    return result;
}

bool Fd::NonBlock() { return fd >= 0 && NonBlockMode(fd); }

int close(Fd& fd) { return fd.close(); }

bool NonBlockMode(int fd) { return ChangeStatusFlags(fd, O_NONBLOCK, 0); }

bool BlockMode(int fd) { return ChangeStatusFlags(fd, 0, O_NONBLOCK); }

bool SetCloexec(int fd, bool on) {
    int flags = ::fcntl(fd, F_GETFD);
    if (flags < 0) return false;
    return ::fcntl(fd, F_SETFD, on ? flags | FD_CLOEXEC : flags & ~FD_CLOEXEC) == 0;
}
