// Terminal switches on standard input: raw key-by-key reading, and reading
// without blocking.
#pragma once

namespace Console {

// Non-canonical input without echo; signals still work.
void SwitchToBinaryMode();
void SwitchToNonBlockMode();

}  // namespace Console
