#include "tests/support/DescriptorLimit.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace TestSupport {

DescriptorLimit::DescriptorLimit(unsigned spare) {
    if (::getrlimit(RLIMIT_NOFILE, &saved) != 0) {
        ADD_FAILURE() << "getrlimit: " << std::strerror(errno);
        return;
    }
    // The spare lowest free descriptors stay makeable; the next one is the limit.
    std::vector<int> taken;
    for (unsigned i = 0; i <= spare; ++i) taken.push_back(::fcntl(2, F_DUPFD_CLOEXEC, 0));
    const int next = taken.back();
    const int error = errno;
    for (int fd : taken)
        if (fd >= 0) ::close(fd);
    if (next < 0) {
        ADD_FAILURE() << "no descriptor to find the limit with: " << std::strerror(error);
        return;
    }
    const rlimit tight = {rlim_t(next), saved.rlim_max};
    lowered = ::setrlimit(RLIMIT_NOFILE, &tight) == 0;
    if (!lowered) ADD_FAILURE() << "setrlimit: " << std::strerror(errno);
}

bool DescriptorLimit::Lift() {
    if (lowered) lowered = ::setrlimit(RLIMIT_NOFILE, &saved) != 0;
    return !lowered;
}

}  // namespace TestSupport
