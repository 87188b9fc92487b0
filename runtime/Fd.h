// The owning descriptor: every descriptor the daemon holds lives in an Fd,
// which makes it close-on-exec, duplicates it when copied and closes it when
// destroyed. Also the mode switches on raw descriptors.
#pragma once

class Fd {
public:
    Fd() = default;
    // Takes ownership of fd.
    explicit Fd(int fd);
    // A copy owns a dup() of the other's descriptor (closed when that fails).
    Fd(const Fd& other);
    Fd(Fd&& other) noexcept;
    // Assigning over and destroying an Fd leave errno as it was: they run
    // between a failed call and the line that reports its errno (a copy that
    // cannot be made still sets it).
    Fd& operator=(const Fd& other);
    Fd& operator=(Fd&& other) noexcept;
    ~Fd();

    // A close-on-exec dup() of the descriptor that the caller owns; negative
    // when closed or when dup() fails.
    int dup() const;
    // Replaces the descriptor with a newly opened one; a file it creates gets
    // mode 0644. True when the open succeeded.
    bool open(const char* path, int flags);
    // open() for a file the one thread reads or writes as it runs: only a
    // regular file is kept, and the open does not wait, since a FIFO or a
    // device at the path would hold the thread in the open or in a read or
    // write after it. The type is checked on the descriptor opened, so nothing
    // can take the file's place in between. False, and closed, for anything
    // else, with errno EISDIR for a directory and ENXIO for any other kind.
    bool OpenRegular(const char* path, int flags);
    // close()'s result; -1 with errno EBADF when already closed.
    int close();
    bool NonBlock();

    int lowlevel_fd() const { return fd; }
    bool is_valid() const { return fd >= 0; }
    explicit operator bool() const { return fd >= 0; }

private:
    // Closes a descriptor held, errno untouched.
    void drop() noexcept;

    int fd = -1;
};

int close(Fd& fd);

// O_NONBLOCK on or off; false when fcntl() fails.
bool NonBlockMode(int fd);
bool BlockMode(int fd);
// FD_CLOEXEC on or off; true when set.
bool SetCloexec(int fd, bool on);
