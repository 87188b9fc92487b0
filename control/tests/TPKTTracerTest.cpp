#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <list>

#include "control/TPKTTracer.h"
#include "control/tests/TransportHarness.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"

using namespace TransportTest;

namespace {

// A tracer on the port whose receiver records each body and answers it.
class Tracer : public IsolatedLoopback, public TPKTTracer::Notify {
protected:
    void SetUp() override {
        IsolatedLoopback::SetUp();
        tracer.receiver = this;
        ASSERT_TRUE(IsSkipped() || tracer.Listen(port));
    }
    // Two answers: when the first closes the sender, the second must go nowhere.
    void OnMessage(const char* data, int length) override {
        bodies.emplace_back(data, size_t(length));
        if (clock) clock->advanceUs(100);  // what handling a body costs
        tracer.Send("pong", 4);
        tracer.Send("pong", 4);
    }
    unsigned Opened() const {
        return Occurrences(trace.str(), "ACP connection open from 127.0.0.1:");
    }
    Peer& Viewer(int receiveBuffer = 0) {
        const unsigned before = Opened();
        viewers.emplace_back(port, receiveBuffer);
        RunUntil([&] { return Opened() > before; }, 2000);
        return viewers.back();
    }

    TestSupport::StreamCapture trace{std::clog};
    TPKTTracer tracer;
    std::list<Peer> viewers;
    std::vector<std::string> bodies;
    FakeClock* clock = nullptr;
};

}  // namespace

// Each row from a fresh viewer, in two halves, while earlier viewers stay.
TEST_F(Tracer, ViewersGetBroadcastsAndTheirOwnAnswersAndFaultsCloseOnlyTheirMaker) {
    const std::string full(512, 'm');
    const struct {
        std::string octets;
        std::vector<std::string> delivered;
    } rows[] = {
        {Frame("") + Frame("a"), {"a"}},  // an empty body is skipped
        {Frame(full), {full}},
        {Frame(full + "m"), {}},
        {std::string("\4\0\0\5x", 5), {}},
        {std::string("\3\1\0\5x", 5), {}},
        {std::string("\3\0\0\3", 4), {}},
        {Frame("shut"), {"shut"}},  // its answer fails inside the callback
    };
    Viewer();
    for (const auto& row : rows) {
        bodies.clear();
        Peer& viewer = Viewer();
        if (row.octets == Frame("shut")) ::shutdown(viewer.ServerSide(), SHUT_WR);
        const size_t half = row.octets.size() / 2;
        viewer.Write(row.octets.substr(0, half));
        RunFor(20);
        viewer.Write(row.octets.substr(half));
        RunFor(20);
        EXPECT_EQ(row.delivered, bodies) << row.octets.size();
        EXPECT_TRUE(tracer.Send("all", 3));
        const bool closed = row.delivered.empty() || row.octets == Frame("shut");
        const std::string own = closed ? "" : Frame("pong") + Frame("pong") + Frame("all");
        for (Peer& v : viewers) EXPECT_EQ(&v == &viewer ? own : Frame("all"), v.ReadAvailable());
        if (closed) {
            EXPECT_TRUE(viewer.SeesClose(1000)) << row.octets.size();
            viewers.pop_back();
        }
    }
    const std::string huge(TPKTTracer::max_sent + 1, 'h');
    EXPECT_FALSE(tracer.Send(huge.data(), unsigned(huge.size())));
}

// A viewer whose frames are all there at once, as from one that never pauses.
TEST_F(Tracer, AViewerThatNeverPausesLetsATimerFireInItsPeriod) {
    FakeClock fake(1000);
    Peer& viewer = Viewer();
    for (int i = 0; i < 1000; ++i) viewer.Write(Frame("x"));
    clock = &fake;
    static std::uint32_t firedAt;
    firedAt = ~0u;
    Timer tick;
    tick.set(10, [] { firedAt = Mux::milliseconds(); });
    ASSERT_TRUE(RunUntil([&] { return bodies.size() == 1000; }, 5000));
    EXPECT_LE(firedAt, 1020u);
}

TEST_F(Tracer, RunningOutOfDescriptorsRestsTheAcceptLoopInsteadOfSpinning) {
    FakeClock clock(1000);
    // The sanitizers check each new dynamic type once, through a pipe: let
    // them see the loop and the pause's timer while descriptors are left.
    Viewer();
    SeeAcceptPause();
    Peer waiting;  // queued by the kernel until the tracer can take it
    EXPECT_GE(RunShortOfDescriptors(clock, 0, 20), std::chrono::milliseconds(60));
    EXPECT_EQ(1u, Opened());
    clock.advanceMs(AcceptPause::pause_ms);
    LoopDriver(&clock).Run(5);
    EXPECT_EQ(2u, Opened());
}

TEST_F(Tracer, AViewerWhoseEventCannotCopyTheSocketIsNotKeptAndAcceptingRests) {
    FakeClock clock(1000);
    Peer& taken = Viewer();
    // The sanitizers see the pause's timer and a viewer's end while descriptors are left.
    SeeAcceptPause();
    Viewer().Close();
    RunFor(20);
    Peer refused, next;  // queued by the kernel
    RunShortOfDescriptors(clock, 1, 10);  // the accepted socket, but not its event's copy
    EXPECT_TRUE(refused.SeesClose(1000));
    EXPECT_EQ(2u, Opened());
    LoopDriver(&clock).Run(5);
    EXPECT_EQ(2u, Opened());  // the next viewer waits for the pause to end
    clock.advanceMs(AcceptPause::pause_ms);
    LoopDriver(&clock).Run(5);
    EXPECT_EQ(3u, Opened());
    EXPECT_TRUE(tracer.Send("all", 3));
    EXPECT_EQ(Frame("all"), taken.ReadAvailable());
    EXPECT_EQ(Frame("all"), next.ReadAvailable());
    EXPECT_EQ("", refused.ReadAvailable());
}

// A viewer that never reads, with the smallest receive buffer, and the
// tracer's side of it with the smallest send buffer: a large broadcast fits
// only in part. Room comes back as the kernel moves what fit, so a viewer
// kept after that would get the next frame behind a cut one.
TEST_F(Tracer, AViewerWithoutRoomForABroadcastIsClosedAfterTheWholeFramesBeforeIt) {
    Peer& stuck = Viewer(1);
    const int smallest = 1;
    ASSERT_EQ(0,
              ::setsockopt(stuck.ServerSide(), SOL_SOCKET, SO_SNDBUF, &smallest, sizeof smallest));
    const std::string small(100, 's'), large(60000, 'l');
    std::string sent;
    for (const std::string* body : {&small, &small, &large, &small, &large}) {
        EXPECT_TRUE(tracer.Send(body->data(), unsigned(body->size())));
        sent += Frame(*body);
        RunFor(20);
    }
    std::string got;
    EXPECT_TRUE(stuck.SeesClose(2000, &got));
    // The frames before the short one whole, then the part of it that fit, then nothing.
    const size_t before = 2 * Frame(small).size();
    EXPECT_GT(got.size(), before);
    EXPECT_LT(got.size(), before + Frame(large).size());
    EXPECT_EQ(0, sent.compare(0, got.size(), got)) << "more follows the part that fit";
}
