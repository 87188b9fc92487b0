#include "runtime/Packet.h"
#include "runtime/tests/PacketLeakCheck.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

using PacketPoolTest = PacketLeakCheck;

// Uses the pool while this file's statics are built and destroyed, whatever
// the order relative to the runtime library's own statics.
struct StaticUser {
    StaticUser() {
        Packet p;
        p.reserve_head(2);
        p.put16_b(0x1234);
        p.push8(0xAA);
        seen = p.text();
    }
    ~StaticUser() {
        Packet p;
        p.reserve_tail(2);
        p.put16(0x0102);
        if (p.pull16() != 0x0102) std::abort();
    }
    std::string seen;
} static_user;

}  // namespace

TEST_F(PacketPoolTest, WorksDuringStaticConstruction) { EXPECT_EQ("AA 12 34", static_user.seen); }

TEST_F(PacketPoolTest, ExhaustionThrowsAndReleasedBuffersComeBackInReleaseOrder) {
    std::vector<Packet> all(pool_size);
    for (Packet& p : all) p.reserve_head(0);
    EXPECT_EQ(0u, PacketPool::free_count());

    Packet extra;
    EXPECT_THROW(extra.reserve_head(0), std::bad_alloc);
    EXPECT_TRUE(extra.null());

    // Unsharing needs a buffer too; a failed copy leaves both handles sharing.
    all[0].put8(0x11);
    Packet shared = all[0];
    EXPECT_THROW(shared.put8(0x22), std::bad_alloc);
    EXPECT_EQ("11", shared.text());
    EXPECT_EQ("11", all[0].text());

    unsigned char* fifth = all[5].data();
    unsigned char* second = all[2].data();
    all[5].clear();
    all[2].clear();
    EXPECT_EQ(2u, PacketPool::free_count());
    Packet first_reused, second_reused;
    first_reused.reserve_head(0);
    second_reused.reserve_head(0);
    EXPECT_EQ(fifth, first_reused.data());
    EXPECT_EQ(second, second_reused.data());
}

TEST_F(PacketPoolTest, ReleasedBuffersWaitBehindNeverUsedOnes) {
    Packet a, b;
    a.reserve_head(0);
    unsigned char* released = a.data();
    a.clear();
    b.reserve_head(0);
    EXPECT_NE(released, b.data());
}

TEST_F(PacketPoolTest, BuffersNeverHandedOutStayUntouched) {
    Packet a, b;
    a.reserve_head(0);
    b.reserve_head(0);
    auto first = reinterpret_cast<std::uintptr_t>(a.data());
    auto stride = reinterpret_cast<std::uintptr_t>(b.data()) - first;
    ASSERT_GE(stride, packet_max_size);

    // A fresh pool hands blocks out in address order, so the block 900 on
    // from b has never been handed out: none of its buffer pages may be
    // resident.
    std::uintptr_t page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    unsigned char used = 0;
    a.put8(1);
    ASSERT_EQ(0, mincore(reinterpret_cast<void*>(first & ~(page - 1)), page, &used));
    ASSERT_EQ(1, used & 1) << "mincore does not report a written page";

    std::uintptr_t start = first + 901 * stride;
    std::uintptr_t from = (start + page - 1) & ~(page - 1);
    std::uintptr_t to = (start + packet_max_size) & ~(page - 1);
    std::vector<unsigned char> resident((to - from) / page);
    ASSERT_EQ(0, mincore(reinterpret_cast<void*>(from), to - from, resident.data()));
    for (unsigned char r : resident) EXPECT_EQ(0, r & 1);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(PacketPoolDeathTest, UsingAReleasedBufferIsCaught) {
    EXPECT_DEATH(
        {
            unsigned char* stale;
            {
                Packet p;
                p.reserve_head(0);
                p.put8(1);
                stale = p.data();
            }
            volatile unsigned char octet = *stale;
            (void)octet;
        },
        "use-after-poison");
}
#endif
