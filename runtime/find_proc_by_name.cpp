#include "runtime/find_proc_by_name.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// True when "/proc/<pid>/stat" names the process name: the command is what
// lies between the first "(" and the last ")".
bool IsNamed(int pid, const char* name) {
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[256];
    ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return false;
    std::string stat(text, std::size_t(n));
    std::string::size_type open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    return stat.compare(open + 1, close - open - 1, name) == 0;
}

}  // namespace

int find_proc_by_name(const char* name, int pid) {
    if (pid > 0 && IsNamed(pid, name)) return pid;
    DIR* proc = ::opendir("/proc");
    if (!proc) return -1;
    int found = -1;
    while (dirent* entry = ::readdir(proc)) {
        int candidate = std::atoi(entry->d_name);
        if (candidate > 0 && IsNamed(candidate, name)) {
            found = candidate;
            break;
        }
    }
    ::closedir(proc);
    return found;
}
