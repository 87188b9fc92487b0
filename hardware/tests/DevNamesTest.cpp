#include "hardware/DevNames.h"

#include <gtest/gtest.h>

TEST(DevNames, CodecNamesEndAtBothBounds) {
    EXPECT_STREQ("unknown", GetCodecAsStr(0));
    EXPECT_STREQ("conf", GetCodecAsStr(8));
    EXPECT_STREQ("invalid", GetCodecAsStr(-1));
    EXPECT_STREQ("invalid", GetCodecAsStr(9));
}
