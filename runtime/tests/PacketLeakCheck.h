// Fixture for tests that use packets: every case must start and end with the
// whole packet pool free, so a leaked buffer fails the case that leaked it.
#pragma once

#include "runtime/Packet.h"

#include <gtest/gtest.h>

class PacketLeakCheck : public ::testing::Test {
protected:
    static constexpr unsigned pool_size = 1024;

    void SetUp() override { ASSERT_EQ(pool_size, PacketPool::free_count()); }
    void TearDown() override {
        EXPECT_EQ(pool_size, PacketPool::free_count()) << "packet buffers leaked";
    }
};
