#include "runtime/LinuxRun.h"

#include "runtime/Errno.h"

#include <fcntl.h>
#include <iostream>
#include <string>
#include <unistd.h>

namespace Linux {

namespace {

std::string OwnPid() { return std::to_string(::getpid()); }

}  // namespace

// Only a regular file: a FIFO at the path would hold the start in the open
// (or, with a reader, in the write) and the exit in the read-back.
Run::Run(const char* name) : path(std::string("/var/run/") + name + ".pid") {
    if (!fd.OpenRegular(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_SYNC)) {
        Errno error;
        std::cerr << "pid file " << path << ": " << error << std::endl;
        return;
    }
    std::string pid = OwnPid();
    if (::write(fd.lowlevel_fd(), pid.data(), pid.size()) != ssize_t(pid.size())) {
        Errno error;
        std::cerr << "pid file " << path << ": " << error << std::endl;
    }
    ::fsync(fd.lowlevel_fd());
}

Run::~Run() {
    if (!fd) return;
    fd.close();
    Fd file;
    char text[32];
    ssize_t n = file.OpenRegular(path.c_str(), O_RDONLY)
                    ? ::read(file.lowlevel_fd(), text, sizeof text)
                    : -1;
    if (n > 0 && std::string(text, std::size_t(n)) == OwnPid()) ::unlink(path.c_str());
}

}  // namespace Linux
