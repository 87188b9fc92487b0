// A pipe for tests that need a descriptor to watch: the read end becomes
// readable once Fill() has written to the other.
#pragma once

#include "runtime/Fd.h"

#include <unistd.h>

struct TestPipe {
    TestPipe() {
        int ends[2];
        if (::pipe(ends) == 0) {
            in = Fd(ends[0]);
            out = Fd(ends[1]);
        }
    }
    void Fill() { (void)!::write(out.lowlevel_fd(), "x", 1); }

    Fd in, out;
};
