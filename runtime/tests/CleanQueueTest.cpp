#include "runtime/CleanQueue.h"
#include "runtime/Cyclic.h"
#include "runtime/Packet.h"
#include "runtime/tests/PacketLeakCheck.h"

#include <string>
#include <vector>

namespace {

using CleanQueueTest = PacketLeakCheck;

Packet Frame(unsigned char tag) {
    Packet p;
    p.reserve_head(4);
    p.put8(tag);
    return p;
}

template <class Queue>
std::string Drain(Queue& q) {
    std::string order;
    Packet p;
    while (q.get(&p)) order += p.text() + ";";
    return order;
}

}  // namespace

TEST_F(CleanQueueTest, AFullRingRefusesAndBothEndsTakeAndGive) {
    CleanQueue<Packet, 7> ring;
    for (unsigned char i = 1; i <= 7; ++i) EXPECT_TRUE(ring.put(Frame(i)));
    EXPECT_FALSE(ring.put(Frame(8)));
    EXPECT_FALSE(ring.append(Frame(0)));
    EXPECT_EQ(7u, ring.count());
    // The refused frames are gone; only the queued seven hold buffers.
    EXPECT_EQ(pool_size - 7, PacketPool::free_count());

    Packet p;
    EXPECT_TRUE(ring.get_last(&p));
    EXPECT_EQ("07", p.text());
    EXPECT_TRUE(ring.append(Frame(0)));
    EXPECT_TRUE(ring.preview(&p));
    EXPECT_EQ("00", p.text());
    EXPECT_TRUE(ring.preview(nullptr));
    EXPECT_EQ(7u, ring.count());
    EXPECT_EQ("00;01;02;03;04;05;06;", Drain(ring));

    // An empty ring leaves the destination as it was.
    p = Frame(9);
    EXPECT_FALSE(ring.get(&p));
    EXPECT_FALSE(ring.get_last(&p));
    EXPECT_FALSE(ring.preview(&p));
    EXPECT_EQ("09", p.text());
}

TEST_F(CleanQueueTest, IndicesWrapWithoutLoss) {
    CleanQueue<Packet, 120> ring;
    // Almost three laps, the ring filling up as it goes, in order throughout.
    unsigned next_in = 0, next_out = 0;
    for (unsigned step = 0; step < 350; ++step) {
        ASSERT_TRUE(ring.put(Frame((unsigned char)next_in++)));
        if (step % 3 != 0) {
            Packet p;
            ASSERT_TRUE(ring.get(p));
            EXPECT_EQ(next_out++ & 0xFF, unsigned(p[0]));
        }
    }
    EXPECT_EQ(next_in - next_out, ring.count());
    for (Packet p; ring.get(p);) EXPECT_EQ(next_out++ & 0xFF, unsigned(p[0]));
    EXPECT_EQ(next_in, next_out);
}

TEST_F(CleanQueueTest, EmptiedSlotsReleaseTheirBuffers) {
    CleanQueue<Packet, 327> ring;
    ring.put(Frame(1));
    ring.put(Frame(2));
    {
        Packet p;
        ring.get(p);
    }
    EXPECT_EQ(pool_size - 1, PacketPool::free_count());
    Packet kept = Frame(4);
    ring.put(kept);
    ring.clear();
    EXPECT_EQ(0u, ring.count());
    EXPECT_EQ(pool_size - 1, PacketPool::free_count());
    EXPECT_EQ("04", kept.text());
}

using Seq = Cyclic<unsigned int, 127u>;

TEST(Cyclic, ArithmeticAndWindowsAcrossTheWrap) {
    EXPECT_EQ(2u, unsigned(Seq(130)));
    EXPECT_EQ(0u, unsigned(Seq(127) + Seq(1)));
    EXPECT_EQ(125u, unsigned(Seq(2) - Seq(5)));
    Seq s(0);
    EXPECT_EQ(127u, unsigned(--s));
    EXPECT_EQ(127u, unsigned(s++));
    EXPECT_EQ(1u, unsigned(++s));

    // b lies in the window that runs forward from a to c, both ends included.
    auto inWindow = [](unsigned a, unsigned b, unsigned c) {
        for (unsigned k = a;; k = (k + 1) % 128) {
            if (k == b) return true;
            if (k == c) return false;
        }
    };
    for (unsigned a : {0u, 5u, 120u, 127u})
        for (unsigned c : {a, (a + 1) % 128, (a + 7) % 128, (a + 127) % 128})
            for (unsigned b = 0; b < 128; ++b)
                EXPECT_EQ(inWindow(a, b, c), Seq(a) <= Seq(b) <= Seq(c))
                    << a << " <= " << b << " <= " << c;
}
