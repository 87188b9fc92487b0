// fork() for tests whose child runs more than async-signal-safe code (the
// allocator, the daemon's start-up): a child forked beside another thread may
// inherit a lock that thread held, and wait for it for ever.
#pragma once

#include <sys/types.h>

namespace TestSupport {

// fork(), refused with -1 and errno EDEADLK while this process runs more than
// one thread, so a test that would hang once in a while fails every time.
pid_t ForkAlone();

}  // namespace TestSupport
