// An alarm() that ends a case waiting for ever and says which case it was:
// the signal ends the program before gtest can name the case, so the
// program first writes "test_x: Suite.Case still running after N s, ended by
// its alarm" to stderr, then dies of SIGALRM as a bare alarm() would.
#pragma once

#include <signal.h>

namespace TestSupport {

class Alarm {
public:
    // Arms alarm(seconds) for the case running now.
    explicit Alarm(unsigned seconds);
    // Disarms it, and gives SIGALRM its former handling back.
    ~Alarm();
    Alarm(const Alarm&) = delete;
    Alarm& operator=(const Alarm&) = delete;

private:
    struct sigaction saved {};
};

}  // namespace TestSupport
