// The main loop run short of descriptors, for cases that check that an
// accept loop rests (AcceptPause) instead of spinning while none are left.
#pragma once

#include <chrono>

class FakeClock;

// Runs turns of the loop on clock, each waiting at most 5 ms, with only the
// spare lowest free descriptors left to make; the real time they took. Turns
// that nothing wakes take their 5 ms: a listening socket left readable spins
// them through at once.
std::chrono::steady_clock::duration RunShortOfDescriptors(FakeClock& clock, unsigned spare,
                                                          unsigned turns);

// Arms and drops an accept pause, so that the sanitizers have seen the type
// of its timer before a case runs short of descriptors.
void SeeAcceptPause();
