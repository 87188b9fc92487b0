// Packet buffers and their pool.
#include "runtime/Packet.h"
#include "runtime/tests/PacketLeakCheck.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

using PacketTest = PacketLeakCheck;
using PacketDeathTest = PacketLeakCheck;

Packet Make(std::vector<unsigned char> octets, unsigned head = 16) {
    Packet p;
    p.reserve_head(head);
    for (unsigned char o : octets) p.put8(o);
    return p;
}

std::string Layout(const Packet& p) {
    std::ostringstream out;
    p.dump(out);
    return out.str();
}

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

TEST_F(PacketTest, SixteenBitValuesInBothByteOrdersAndShortPullsReadZeros) {
    Packet p = Make({});
    p.put16(0x1234);
    p.put16_b(0x1234);
    p.push16_b(0x1234);
    EXPECT_EQ("12 34 34 12 12 34", p.text());
    EXPECT_EQ(0x1234, p.pull16_b());
    EXPECT_EQ(0x1234, p.pull16());
    EXPECT_EQ(0x3412, p.pull16_l());
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(0xFF80, Make({0xFF, 0x80}).pull16_b());
    EXPECT_EQ(0x80FF, Make({0xFF, 0x80}).pull16());

    EXPECT_EQ(0, p.pull8());
    EXPECT_EQ("head=20, data=0, tail=65516", Layout(p));
    EXPECT_EQ(0x007F, Make({0x7F}).pull16());
    EXPECT_EQ(0x7F00, Make({0x7F}).pull16_b());
}

TEST_F(PacketTest, RoomIsReservedAndUsedWithoutMovingThePayload) {
    Packet whole;
    whole.reserve_head(packet_max_size);
    EXPECT_EQ("head=65536, data=0, tail=0", Layout(whole));
    Packet tailonly;
    tailonly.reserve_tail(10);
    EXPECT_EQ("head=65526, data=0, tail=10", Layout(tailonly));

    // Layers reserve their headers in turn on the still empty packet, then
    // the payload goes in and each header is prepended in front of it.
    Packet frame;
    frame.reserve_head(4);
    frame.reserve_head(2);
    EXPECT_EQ("head=6, data=0, tail=65530", Layout(frame));
    std::memcpy(frame.put(3), "abc", 3);
    unsigned char* payload = frame.data();
    frame.push16_b(0x0102);
    std::memcpy(frame.push(4), "\x03\x00\x00\x0b", 4);
    EXPECT_EQ("03 00 00 0B 01 02 61 62 63", frame.text());
    EXPECT_EQ(payload, frame.data() + 6);
    EXPECT_EQ("head=0, data=9, tail=65527", Layout(frame));

    // Consumed from both ends.
    unsigned char* header = frame.data();
    EXPECT_EQ(header, frame.pull(4));
    EXPECT_EQ(frame.data() + 2, frame.trim(3));
    EXPECT_EQ("01 02", frame.text());
    EXPECT_TRUE(frame < 3u);
    EXPECT_FALSE(frame < 2u);

    // A window that can still move stays legal, as does a shift by nothing.
    frame.reserve_head(0);
    frame.reserve_tail(4);
    EXPECT_EQ("head=0, data=2, tail=65534", Layout(frame));
}

TEST_F(PacketTest, ModifyingASharedCopyCostsOneBufferAndKeepsTheOriginal) {
    Packet original = Make({1, 2, 3, 4});
    Packet copy = original;
    const Packet& view = copy;  // reading never copies
    EXPECT_EQ(3, view[2]);
    EXPECT_EQ("01 02 03 04", view.text());
    EXPECT_EQ(pool_size - 1, PacketPool::free_count());

    EXPECT_EQ(1, copy.pull8());
    copy[0] = 0xEE;
    copy.put8(5);
    EXPECT_EQ(pool_size - 2, PacketPool::free_count());
    EXPECT_EQ("EE 03 04 05", copy.text());
    EXPECT_EQ("01 02 03 04", original.text());
    EXPECT_EQ("head=17, data=4, tail=65515", Layout(copy)) << "same offsets in the new buffer";
    original.put8(9);  // its only holder now: no further copy
    EXPECT_EQ(pool_size - 2, PacketPool::free_count());

    // Self-assignment and assignment between holders of one buffer keep it;
    // dropping one reference leaves that handle null and the other intact.
    Packet& alias = copy;
    copy = alias;
    Packet q = copy;
    copy = q;
    q = copy;
    EXPECT_EQ("EE 03 04 05", copy.text());
    q.remove_current();
    EXPECT_TRUE(q.null());
    EXPECT_EQ("EE 03 04 05", copy.text());
    copy.clear();
    EXPECT_TRUE(copy.null());
    EXPECT_EQ(0u, copy.length());
    EXPECT_EQ(pool_size - 1, PacketPool::free_count());
}

TEST_F(PacketTest, SubStringsAndAppending) {
    Packet p = Make({0x0A, 0x0B, 0x0C, 0x0D});
    Packet middle = p.sub(2, 1);  // a private copy of the range
    EXPECT_EQ("head=17, data=2, tail=65517", Layout(middle));
    middle[0] = 0xFF;
    EXPECT_EQ("FF 0C", middle.text());
    EXPECT_EQ("0A 0B 0C 0D", p.text());
    EXPECT_EQ("0A 0B 0C 0D", p.sub(4, 0).text());
    EXPECT_TRUE(p.sub(0, 4).empty());

    // Strings carry a one-octet length; longer texts are cut where it ends.
    Packet s = Make({});
    s.put(std::string("abc"));
    EXPECT_EQ("03 61 62 63", s.text());
    EXPECT_EQ("abc", s.pull_string());
    std::string long_text(300, 'x');
    s.put(long_text);
    s.put(std::string("z"));
    EXPECT_EQ(255u + 1 + 2, s.length());
    EXPECT_EQ(long_text.substr(0, 255), s.pull_string());
    EXPECT_EQ("z", s.pull_string());
    Packet cut = Make({4, 'a', 'b'});
    EXPECT_EQ(std::string("ab\0\0", 4), cut.pull_string()) << "missing octets read as zeros";
    EXPECT_TRUE(cut.empty());

    // A packet appends another, itself, or a shared copy of itself.
    Packet a = Make({1, 2});
    a.put(Make({3}));
    a.put(a);
    EXPECT_EQ("01 02 03 01 02 03", a.text());
    Packet shared = a;
    shared.put(a);
    EXPECT_EQ("01 02 03 01 02 03 01 02 03 01 02 03", shared.text());
    EXPECT_EQ("01 02 03 01 02 03", a.text());
    a.put(Packet());
    EXPECT_EQ(6u, a.length());
}

TEST_F(PacketTest, TextAndDumps) {
    Packet null;
    EXPECT_EQ("(null)", null.text());
    std::ostringstream nothing;
    EXPECT_FALSE(null.dump(nothing));
    EXPECT_FALSE(null.dump_context(nothing));
    EXPECT_EQ("", nothing.str());

    Packet p = Make({0x01, 0xAB});
    std::ostringstream out;
    out << p;
    EXPECT_EQ("01 AB", out.str());
    // The stream keeps its own format after the hexadecimal dump.
    std::ostringstream ctx;
    EXPECT_TRUE(p.dump_context(ctx));
    ctx << ' ' << 255;
    EXPECT_EQ("dump: 1 ab 255", ctx.str());
    std::ostringstream empty;
    EXPECT_TRUE(Make({}).dump_context(empty));
    EXPECT_EQ("", empty.str());
}

TEST_F(PacketDeathTest, ViolatedPreconditionsPrintThePacketAndEnd) {
    const struct {
        std::function<void()> misuse;
        const char* report;
    } cases[] = {
        {[] { Packet().push8(1); }, "PACKET ASSERTION FAILED!\nnull packet\n\\(null\\)\n"},
        {[] {
             (void)Make({0x01, 0xAB}, 0)[2];
         },
         "PACKET ASSERTION FAILED!\nindex out of range\nhead=0, data=2, tail=65534\ndump:\n 1 "
         "ab\n"},
        {[] { (void)static_cast<const Packet&>(Make({1}))[-1]; }, "index out of range"},
        {[] { Make({1}, 3).push(4); }, "len<=_headroom\\(\\)\nhead=3, data=1,"},
        {[] { Make({}, packet_max_size - 1).put(2); }, "len<=_tailroom\\(\\)"},
        {[] {
             Make({1, 2}).pull(3);
         },
         "len<=_length\\(\\)"},
        {[] {
             Make({1, 2}).trim(3);
         },
         "len<=_length\\(\\)"},
        {[] {
             Make({1, 2}).sub(UINT_MAX, 1);
         },
         "start\\+len<=_length\\(\\)"},
        {[] {
             Make({1, 2}).sub(0, 3);
         },
         "start<=_length\\(\\)"},
        // Reservations never leave the buffer: the window may only shift as
        // far as the room on the side it moves to.
        {[] { Packet().reserve_head(packet_max_size + 1); }, "length>packet_max_size"},
        {[] { Packet().reserve_tail(packet_max_size + 1); }, "len>packet_max_size"},
        {[] {
             Packet p;
             p.reserve_tail(8);
             p.put(4);
             p.reserve_head(5);
         },
         "new_len>packet_max_size"},
        {[] { Make({}, 3).reserve_tail(4); }, "_tailroom\\(\\)\\+len <= packet_max_size"},
    };
    for (const auto& c : cases) EXPECT_DEATH(c.misuse(), c.report);
}

TEST(PacketCheckDeathTest, CheckFailFormatsIntoABoundedLine) {
    EXPECT_DEATH(Packet::check_fail("after \"%s\" fdata invalid", "push"),
                 "packet check fail\nafter \"push\" fdata invalid\nterminate.\n");
    std::string huge(1000, 'y');
    EXPECT_DEATH(Packet::check_fail("%s", huge.c_str()), "packet check fail\ny{255}\nterminate.\n");
}

TEST_F(PacketTest, PoolWorksDuringStaticConstruction) { EXPECT_EQ("AA 12 34", static_user.seen); }

TEST_F(PacketTest, ExhaustedPoolThrowsAndTheBufferReleasedLastComesBackFirst) {
    // A released buffer is taken again before any never-used one.
    Packet first;
    first.reserve_head(0);
    unsigned char* released = first.data();
    first.clear();
    first.reserve_head(0);
    EXPECT_EQ(released, first.data());
    first.clear();

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
    Packet first_reused, second_reused;
    first_reused.reserve_head(0);
    second_reused.reserve_head(0);
    EXPECT_EQ(second, first_reused.data());
    EXPECT_EQ(fifth, second_reused.data());
}

namespace {

// Which blocks were never handed out is known only of a fresh pool: the check
// runs in a new copy of the program, whatever cases ran before in this one.
void ExpectNeverHandedOutUntouched() {
    Packet a, b;
    a.reserve_head(0);
    b.reserve_head(0);
    auto first = reinterpret_cast<std::uintptr_t>(a.data());
    auto stride = reinterpret_cast<std::uintptr_t>(b.data()) - first;
    ASSERT_GE(stride, packet_max_size);

    // A fresh pool hands blocks out in address order, so the block 900 on
    // from b has never been handed out: none of its pages may be resident.
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

}  // namespace

TEST_F(PacketTest, BuffersNeverHandedOutStayUntouched) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ExpectNeverHandedOutUntouched();
            ::_exit(HasFailure() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

#if defined(__SANITIZE_ADDRESS__)
TEST(PacketPoolDeathTest, UsingAReleasedBufferIsCaught) {
    EXPECT_DEATH(
        {
            unsigned char* stale;
            {
                Packet p = Make({1});
                stale = p.data();
            }
            volatile unsigned char octet = *stale;
            (void)octet;
        },
        "use-after-poison");
}
#endif
