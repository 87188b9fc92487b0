// Holds the process short of descriptors: while a DescriptorLimit lives, only
// the spare lowest free descriptors can still be made, so a test can make
// exactly one step of the code under test fail with EMFILE.
#pragma once

#include <sys/resource.h>

namespace TestSupport {

// The sanitizers check each dynamic type the first time through a pipe: a
// case lets them see the types of the path under test before it lowers the
// limit.
class DescriptorLimit {
public:
    explicit DescriptorLimit(unsigned spare);
    ~DescriptorLimit() { Lift(); }
    DescriptorLimit(const DescriptorLimit&) = delete;
    DescriptorLimit& operator=(const DescriptorLimit&) = delete;
    // Gives the limit found back before the end; true when it is back.
    bool Lift();

private:
    rlimit saved{};
    bool lowered = false;
};

}  // namespace TestSupport
