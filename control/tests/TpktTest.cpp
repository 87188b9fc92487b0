#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "control/Tpkt_protocol.h"
#include "runtime/Multiplexer.h"
#include "runtime/ProtocolsFamily.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "runtime/tests/PacketLeakCheck.h"
#include "tests/e2e/LgcpWire.h"
#include "tests/support/StreamCapture.h"

namespace {

// The framing layer alone in a stack that records what leaves it.
struct Stack : ProtocolsFamily {
    Stack() : tpkt(new Tpkt_protocol) { add_protocol_tail(tpkt); }

    void on_message(Packet& p) override {
        bodies.emplace_back(reinterpret_cast<const char*>(p.data()), p.length());
    }
    void transmit(Packet& p) override {
        sent.emplace_back(reinterpret_cast<const char*>(p.data()), p.length());
    }
    void Feed(const std::string& octets) {
        Packet piece;
        piece.reserve_head(0);
        std::copy(octets.begin(), octets.end(), piece.put(unsigned(octets.size())));
        receive(piece);
    }
    std::string Send(const std::string& body) {
        Packet p;
        prepare_head(p);
        std::copy(body.begin(), body.end(), p.put(unsigned(body.size())));
        message(p);
        return sent.empty() ? std::string() : sent.back();
    }

    Tpkt_protocol* tpkt;
    std::vector<std::string> bodies;
    std::vector<std::string> sent;
};

using Lgcp::Frame;
using Lgcp::Octets;
using Tpkt = PacketLeakCheck;

}  // namespace

TEST_F(Tpkt, FramesEachMessageWithVersionReservedAndLengthCountingTheHeader) {
    Stack stack;
    EXPECT_EQ("03 00 00 07 41 42 43", Lgcp::Hex(stack.Send("ABC")));
    EXPECT_EQ("03 00 00 04", Lgcp::Hex(stack.Send("")));
    const std::string longest = stack.Send(std::string(Tpkt_protocol::max_body, 'x'));
    ASSERT_EQ(65535u, longest.size());
    EXPECT_EQ("03 00 FF FF", Lgcp::Hex(longest.substr(0, 4)));
}

TEST_F(Tpkt, FramesArriveWholeAndInOrderWhateverTheSplit) {
    const std::string stream =
        Frame("first") + Frame("") + Frame(std::string(300, 'z')) + Frame(Octets("03 00 00 04"));
    const std::vector<std::string> expected = {"first", "", std::string(300, 'z'),
                                               Octets("03 00 00 04")};
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        for (size_t cut2 = cut; cut2 <= stream.size(); cut2 += 7) {
            Stack stack;
            stack.Feed(stream.substr(0, cut));
            stack.Feed(stream.substr(cut, cut2 - cut));
            stack.Feed(stream.substr(cut2));
            ASSERT_EQ(expected, stack.bodies) << "cut at " << cut << " and " << cut2;
            EXPECT_EQ(Tpkt_protocol::idle, stack.tpkt->current_state());
        }
    }
}

// A bad header is dropped with its line and the search for the next frame
// goes on from the following octet.
TEST_F(Tpkt, BadHeadersAreDroppedAndTheNextFrameFound) {
    const struct {
        const char* garbage;
        const char* lines;
    } cases[] = {
        {"03 01 00 08",
         "(no name) bad TPKT reserved.\n(no name) bad TPKT packet start.\n"
         "(no name) bad TPKT packet start.\n"},
        {"03 00 00 03 03 00 00 00", "TPKT too small 3\nTPKT too small 0\n"},
    };
    for (const auto& c : cases) {
        TestSupport::StreamCapture trace(std::clog);
        Stack stack;
        stack.Feed(Octets(c.garbage) + Frame("ok"));
        EXPECT_EQ(std::vector<std::string>{"ok"}, stack.bodies) << c.garbage;
        EXPECT_EQ(c.lines, trace.str());
    }
}

// Stalled in its header or in its body; a further piece restarts the wait.
TEST_F(Tpkt, StalledFrameIsDroppedThreeSecondsAfterItsLastPiece) {
    const std::string frame = Frame("abcdef");
    const struct {
        size_t first;  // octets before the one that restarts the wait
        Tpkt_protocol::State stalled;
    } cases[] = {{1, Tpkt_protocol::len_1}, {6, Tpkt_protocol::body_data}};
    for (const auto& c : cases) {
        FakeClock clock(5000);
        TestSupport::StreamCapture trace(std::clog);
        Stack stack;
        LoopDriver driver(&clock, 1);

        stack.Feed(frame.substr(0, c.first));
        driver.Run(2000);
        stack.Feed(frame.substr(c.first, 1));
        driver.Run(2999);
        EXPECT_EQ(c.stalled, stack.tpkt->current_state()) << c.first;
        EXPECT_EQ(std::string::npos, trace.str().find("TPKT")) << c.first;
        driver.Run(2);
        EXPECT_EQ(Tpkt_protocol::idle, stack.tpkt->current_state()) << c.first;
        EXPECT_NE(std::string::npos, trace.str().find("\n TPKT packet timeout.\n")) << c.first;

        stack.Feed(Frame("whole"));
        EXPECT_EQ(std::vector<std::string>{"whole"}, stack.bodies) << c.first;
    }
}

TEST_F(Tpkt, AGapReportedFromBelowDropsThePartialFrame) {
    Stack stack;
    stack.Feed(Frame("lost").substr(0, 6));
    stack.tpkt->on_status(new Protocol_status_error(nullptr, "received octets dropped"));
    EXPECT_EQ(Tpkt_protocol::idle, stack.tpkt->current_state());
    stack.Feed(Frame("kept"));
    EXPECT_EQ(std::vector<std::string>{"kept"}, stack.bodies);
}

TEST_F(Tpkt, EmptyPoolDropsOnlyTheFrameWhoseBodyFindsNoBuffer) {
    TestSupport::StreamCapture errors(std::cerr);
    Stack stack;
    Packet piece;
    piece.reserve_head(0);
    const std::string octets = Frame("dropped") + Frame("");
    std::copy(octets.begin(), octets.end(), piece.put(unsigned(octets.size())));
    std::vector<Packet> hoard;
    while (PacketPool::free_count() > 0) {
        hoard.emplace_back();
        hoard.back().reserve_head(0);
    }
    stack.receive(piece);
    EXPECT_TRUE(stack.bodies.empty());
    EXPECT_EQ(
        "TPKT no packet buffer, body of 7 octets dropped\n"
        "TPKT no packet buffer, body of 0 octets dropped\n",
        errors.str());
    hoard.clear();
    stack.Feed(Frame("after"));
    EXPECT_EQ(std::vector<std::string>{"after"}, stack.bodies);
}

TEST_F(Tpkt, DamagedStreamsNeverDeliverMoreThanTheyCarry) {
    TestSupport::StreamCapture trace(std::clog);
    const std::string clean = Frame("one") + Frame(std::string(40, 'b')) + Frame("");
    std::vector<std::string> inputs;
    for (size_t n = 0; n <= clean.size(); ++n) inputs.push_back(clean.substr(0, n));
    for (size_t bit = 0; bit < clean.size() * 8; ++bit) {
        std::string flipped = clean;
        flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << (bit % 8)));
        inputs.push_back(flipped);
    }
    std::mt19937 random(20001);
    for (int i = 0; i < 200; ++i) {
        std::string noise(random() % 600, '\0');
        for (char& c : noise) c = char(random() % 5 == 0 ? 3 : random());
        inputs.push_back(noise);
    }
    for (const std::string& input : inputs) {
        Stack stack;
        size_t at = 0;
        while (at < input.size()) {
            size_t n = 1 + random() % 9;
            stack.Feed(input.substr(at, n));
            at += n;
        }
        size_t delivered = 0;
        for (const std::string& body : stack.bodies) delivered += body.size() + 4;
        EXPECT_LE(delivered, input.size());
    }
}
