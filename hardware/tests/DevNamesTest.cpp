#include "hardware/DevNames.h"

#include <gtest/gtest.h>

TEST(DevNames, CodecNames) {
    const char* const names[] = {"invalid",  "unknown",  "g711",     "g723", "tonec",
                                 "g711-rtp", "g729-rtp", "g723-rtp", "conf", "invalid"};
    const int codes[] = {-1, 0, 1, 2, 4, 5, 6, 7, 8, 9};
    for (int i = 0; i < 10; ++i) EXPECT_STREQ(GetCodecAsStr(codes[i]), names[i]) << codes[i];
}
