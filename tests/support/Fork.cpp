#include "tests/support/Fork.h"

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <unistd.h>

namespace TestSupport {

pid_t ForkAlone() {
    std::error_code error;
    const std::filesystem::directory_iterator threads("/proc/self/task", error);
    if (error || std::distance(threads, std::filesystem::directory_iterator()) != 1) {
        errno = EDEADLK;
        return -1;
    }
    return ::fork();
}

}  // namespace TestSupport
