#include "runtime/Packet.h"
#include "runtime/tests/PacketLeakCheck.h"

#include <climits>
#include <cstring>
#include <sstream>
#include <string>
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

}  // namespace

TEST_F(PacketTest, SixteenBitValuesInBothByteOrders) {
    Packet p = Make({});
    p.put16(0x1234);
    p.put16_b(0x1234);
    p.push16_b(0x1234);
    EXPECT_EQ("12 34 34 12 12 34", p.text());

    EXPECT_EQ(0x1234, p.pull16_b());
    EXPECT_EQ(0x1234, p.pull16());
    EXPECT_EQ(0x3412, p.pull16_l());
    EXPECT_TRUE(p.empty());

    Packet high = Make({0xFF, 0x80});
    EXPECT_EQ(0xFF80, high.pull16_b());
    Packet low = Make({0xFF, 0x80});
    EXPECT_EQ(0x80FF, low.pull16());
}

TEST_F(PacketTest, PullsFromAShortPacketReadZeros) {
    Packet p = Make({});
    EXPECT_EQ(0, p.pull8());
    EXPECT_EQ("head=16, data=0, tail=65520", Layout(p));

    Packet one = Make({0x7F});
    EXPECT_EQ(0x007F, one.pull16());
    Packet one_b = Make({0x7F});
    EXPECT_EQ(0x7F00, one_b.pull16_b());
}

TEST_F(PacketTest, RoomIsReservedAndUsedWithoutMovingThePayload) {
    Packet whole;
    whole.reserve_head(packet_max_size);
    EXPECT_EQ("head=65536, data=0, tail=0", Layout(whole));

    Packet tailonly;
    tailonly.reserve_tail(10);
    EXPECT_EQ("head=65526, data=0, tail=10", Layout(tailonly));
    EXPECT_EQ(10u, tailonly.tailroom());

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
    unsigned char* end = frame.trim(3);
    EXPECT_EQ(frame.data() + 2, end);
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
    EXPECT_EQ(pool_size - 1, PacketPool::free_count());

    // Reading never copies.
    const Packet& view = copy;
    EXPECT_EQ(3, view[2]);
    EXPECT_EQ("01 02 03 04", view.text());
    EXPECT_EQ(pool_size - 1, PacketPool::free_count());

    EXPECT_EQ(1, copy.pull8());
    copy[0] = 0xEE;
    copy.put8(5);
    EXPECT_EQ(pool_size - 2, PacketPool::free_count());
    EXPECT_EQ("EE 03 04 05", copy.text());
    EXPECT_EQ("01 02 03 04", original.text());
    // Same offsets in the new buffer.
    EXPECT_EQ("head=17, data=4, tail=65515", Layout(copy));

    // The original is the only holder of its buffer now: no further copy.
    original.put8(9);
    EXPECT_EQ(pool_size - 2, PacketPool::free_count());
}

TEST_F(PacketTest, AssigningAHandleOfTheSameBufferKeepsIt) {
    Packet p = Make({0x42});
    Packet& alias = p;
    p = alias;
    EXPECT_EQ("42", p.text());
    EXPECT_EQ(pool_size - 1, PacketPool::free_count());

    Packet q = p;
    p = q;
    q = p;
    EXPECT_EQ("42", p.text());
    EXPECT_EQ("42", q.text());

    // Dropping one reference leaves that handle null and the other intact.
    q.remove_current();
    EXPECT_TRUE(q.null());
    EXPECT_EQ("42", p.text());
    p.clear();
    EXPECT_TRUE(p.null());
    EXPECT_EQ(0u, p.length());
    EXPECT_EQ(pool_size, PacketPool::free_count());
}

TEST_F(PacketTest, SubIsAPrivateCopyOfTheRange) {
    Packet p = Make({0x0A, 0x0B, 0x0C, 0x0D});
    Packet middle = p.sub(2, 1);
    EXPECT_EQ("0B 0C", middle.text());
    EXPECT_EQ("head=17, data=2, tail=65517", Layout(middle));
    middle[0] = 0xFF;
    EXPECT_EQ("0A 0B 0C 0D", p.text());
    EXPECT_EQ(pool_size - 2, PacketPool::free_count());

    EXPECT_EQ("0A 0B 0C 0D", p.sub(4, 0).text());
    EXPECT_TRUE(p.sub(0, 4).empty());
}

TEST_F(PacketTest, StringsCarryAOneOctetLength) {
    Packet p = Make({});
    p.put(std::string("abc"));
    EXPECT_EQ("03 61 62 63", p.text());
    EXPECT_EQ("abc", p.pull_string());
    EXPECT_TRUE(p.empty());

    // Longer texts are cut where the length octet ends, so they read back.
    std::string long_text(300, 'x');
    p.put(long_text);
    p.put(std::string("z"));
    EXPECT_EQ(255u + 1 + 2, p.length());
    EXPECT_EQ(long_text.substr(0, 255), p.pull_string());
    EXPECT_EQ("z", p.pull_string());

    // A short packet yields the octets it has, the rest as zeros.
    Packet cut = Make({4, 'a', 'b'});
    EXPECT_EQ(std::string("ab\0\0", 4), cut.pull_string());
    EXPECT_TRUE(cut.empty());
}

TEST_F(PacketTest, AppendsAnotherPacketOrItself) {
    Packet p = Make({1, 2});
    Packet q = Make({3});
    p.put(q);
    EXPECT_EQ("01 02 03", p.text());
    p.put(p);
    EXPECT_EQ("01 02 03 01 02 03", p.text());

    Packet shared = p;
    shared.put(p);
    EXPECT_EQ("01 02 03 01 02 03 01 02 03 01 02 03", shared.text());
    EXPECT_EQ("01 02 03 01 02 03", p.text());

    Packet none;
    p.put(none);
    EXPECT_EQ(6u, p.length());
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
    EXPECT_DEATH(
        {
            Packet p;
            p.push8(1);
        },
        "PACKET ASSERTION FAILED!\nnull packet\n\\(null\\)\n");
    EXPECT_DEATH(
        {
            Packet p = Make({0x01, 0xAB}, 0);
            (void)p[2];
        },
        "PACKET ASSERTION FAILED!\nindex out of range\nhead=0, data=2, tail=65534\ndump:\n 1 ab\n");
    EXPECT_DEATH(
        {
            const Packet p = Make({1});
            (void)p[-1];
        },
        "index out of range");
    EXPECT_DEATH(Make({1}, 3).push(4), "len<=_headroom\\(\\)\nhead=3, data=1,");
    EXPECT_DEATH(
        {
            Packet p;
            p.reserve_tail(1);
            p.put(2);
        },
        "len<=_tailroom\\(\\)");
    EXPECT_DEATH(Make({1, 2}).pull(3), "len<=_length\\(\\)");
    EXPECT_DEATH(Make({1, 2}).trim(3), "len<=_length\\(\\)");
    EXPECT_DEATH(Make({1, 2}).sub(UINT_MAX, 1), "start\\+len<=_length\\(\\)");
    EXPECT_DEATH(Make({1, 2}).sub(0, 3), "start<=_length\\(\\)");
}

TEST_F(PacketDeathTest, ReservationsNeverLeaveTheBuffer) {
    EXPECT_DEATH(
        {
            Packet p;
            p.reserve_head(packet_max_size + 1);
        },
        "length>packet_max_size");
    EXPECT_DEATH(
        {
            Packet p;
            p.reserve_tail(packet_max_size + 1);
        },
        "len>packet_max_size");
    // The window may only shift as far as the room on the side it moves to.
    EXPECT_DEATH(
        {
            Packet p;
            p.reserve_tail(8);
            p.put(4);
            p.reserve_head(5);
        },
        "new_len>packet_max_size");
    EXPECT_DEATH(
        {
            Packet p;
            p.reserve_head(3);
            p.reserve_tail(4);
        },
        "_tailroom\\(\\)\\+len <= packet_max_size");
}

TEST(PacketCheckDeathTest, CheckFailFormatsIntoABoundedLine) {
    EXPECT_DEATH(Packet::check_fail("after \"%s\" fdata invalid", "push"),
                 "packet check fail\nafter \"push\" fdata invalid\nterminate.\n");
    // A text longer than the line is cut, and the report still ends.
    std::string huge(1000, 'y');
    EXPECT_DEATH(Packet::check_fail("%s", huge.c_str()),
                 "packet check fail\ny{255}\nterminate.\n");
}
