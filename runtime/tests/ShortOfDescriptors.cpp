#include "runtime/tests/ShortOfDescriptors.h"

#include "runtime/AcceptPause.h"
#include "runtime/Event.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/DescriptorLimit.h"

#include <gtest/gtest.h>

std::chrono::steady_clock::duration RunShortOfDescriptors(FakeClock& clock, unsigned spare,
                                                          unsigned turns) {
    TestSupport::DescriptorLimit limit(spare);
    LoopDriver driver(&clock);
    driver.wait = 5;
    const auto start = std::chrono::steady_clock::now();
    driver.Run(turns);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(limit.Lift());
    return took;
}

void SeeAcceptPause() {
    Event listener;
    AcceptPause(listener).Begin();
}
