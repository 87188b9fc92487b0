// Counts the process's send(), sendmsg() and sendmmsg() calls, so a test can
// tell how many system calls an operation took. The test executable's own
// definitions of these functions stand in front of the C library's and pass
// every call on.
#pragma once

namespace SendCounter {

void reset();
int calls();

}  // namespace SendCounter
