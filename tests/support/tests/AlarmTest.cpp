#include "tests/support/Alarm.h"

#include <gtest/gtest.h>

// A program ended by the alarm of a case that hangs says which case it was.
TEST(Alarm, EndsTheProgramNamingTheCase) {
    EXPECT_EXIT(
        {
            TestSupport::Alarm alarm(7);
            ::raise(SIGALRM);
        },
        ::testing::KilledBySignal(SIGALRM),
        "test_support: Alarm\\.EndsTheProgramNamingTheCase still running after 7 s, ended by its "
        "alarm\n");
}
