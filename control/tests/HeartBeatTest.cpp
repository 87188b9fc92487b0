#include "control/HeartBeatCtl.h"
#include "control/tests/TransportHarness.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"

#include <gtest/gtest.h>

using namespace TransportTest;

namespace {

// The heartbeat bound to the daemon's server on a loopback link, on a clock
// stepped one millisecond per loop iteration.
class HeartBeat : public ServerLink {
protected:
    HeartBeat() : ServerLink(ctrlServer) {}
    void SetUp() override {
        ServerLink::SetUp();
        if (!IsSkipped()) Start({&HeartBeatCtl::instance()});
    }
    void Send(const std::string& body) {
        peer.Write(Frame(body));
        driver.Run(5);
    }

    FakeClock clock{1000};
    LoopDriver driver{&clock, 1};
};

}  // namespace

TEST_F(HeartBeat, PingIsAnsweredAndSilenceDropsTheLinkAfter120000Ms) {
    TestSupport::StreamCapture trace(std::clog);
    Send(Lgcp::Writer(1).Command(Lgcp::ping));
    EXPECT_EQ(std::vector<std::string>{"success seq=1"}, Answers());
    driver.Run(119990);
    EXPECT_TRUE(Connected());
    EXPECT_EQ("", peer.ReadAvailable());
    driver.Run(20);
    EXPECT_FALSE(Connected());
    EXPECT_TRUE(Contains(trace.str(), "\nheartbeat timeout!!!\n"));
    EXPECT_TRUE(peer.SeesClose(1000));
}

TEST_F(HeartBeat, EveryDispatchedCommandRestartsTheWatch) {
    Send(Lgcp::Writer().Command(Lgcp::ping));
    driver.Run(100000);
    Send(Lgcp::Writer().Command(Lgcp::destroy));  // taken by nobody: error 4
    driver.Run(100000);
    EXPECT_TRUE(Connected());
    // Neither an undecodable body nor a slot out of range reaches the heartbeat.
    Send("\xFF");
    Send(Lgcp::Writer({}, 2000).Command(Lgcp::ping));
    driver.Run(20100);
    EXPECT_FALSE(Connected());
}

TEST_F(HeartBeat, ConnectionWithoutCommandsIsNeverDroppedAndALossStopsTheWatch) {
    driver.Run(200000);
    EXPECT_TRUE(Connected());
    Send(Lgcp::Writer().Command(Lgcp::ping));
    driver.Run(1000);
    peer.Close();
    driver.Run(10);
    peer = Peer();
    driver.Run(5);
    ASSERT_TRUE(Connected());
    driver.Run(200000);
    EXPECT_TRUE(Connected());
}
