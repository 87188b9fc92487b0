#include "control/AcceptorNet.h"
#include "control/CtrlSrvServer.h"
#include "control/HeartBeatCtl.h"
#include "control/tests/TransportHarness.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/e2e/LgcpWire.h"
#include "tests/support/StreamCapture.h"

#include <gtest/gtest.h>

using namespace TransportTest;

namespace {

// The heartbeat bound to the daemon's server on a loopback link, on a clock
// stepped one millisecond per loop iteration.
class HeartBeat : public IsolatedLoopback {
protected:
    void SetUp() override {
        IsolatedLoopback::SetUp();
        if (IsSkipped()) return;
        ctrlServer.Bind(&HeartBeatCtl::instance());
        ASSERT_TRUE(ctrlServer.Activate(new Control::AcceptorNet(port)));
        Connect();
    }
    void TearDown() override {
        ctrlServer.Deactivate();
        IsolatedLoopback::TearDown();
    }
    void Connect() {
        peer = Peer();
        ASSERT_TRUE(peer.Connected());
        driver.Run(5);
        bool connected = false;
        ASSERT_TRUE(ctrlServer.CheckServerConnection(connected) && connected);
    }
    bool Connected() {
        bool connected = false;
        return ctrlServer.CheckServerConnection(connected) && connected;
    }
    std::string Ping() {
        peer.Write(Frame(Lgcp::EncodeCommand(Lgcp::ping, 1)));
        driver.Run(5);
        return peer.ReadAvailable();
    }

    FakeClock clock{1000};
    LoopDriver driver{&clock, 1};
    Peer peer{0};
};

}  // namespace

TEST_F(HeartBeat, PingIsAnsweredAndSilenceDropsTheLinkAfter120000Ms) {
    TestSupport::StreamCapture trace(std::clog);
    EXPECT_EQ(Frame(std::string("\x80\x01\x01\x40", 4)), Ping());
    driver.Run(119990);
    EXPECT_TRUE(Connected());
    EXPECT_EQ("", peer.ReadAvailable());
    driver.Run(20);
    EXPECT_FALSE(Connected());
    EXPECT_TRUE(Contains(trace.str(), "\nheartbeat timeout!!!\n"));
    EXPECT_TRUE(peer.SeesClose(1000));
}

TEST_F(HeartBeat, EveryDispatchedCommandRestartsTheWatch) {
    Ping();
    driver.Run(100000);
    peer.Write(Frame(Lgcp::EncodeCommand(Lgcp::destroy)));  // taken by nobody: error 4
    driver.Run(100000);
    EXPECT_TRUE(Connected());
    // Neither an undecodable body nor a slot out of range reaches the heartbeat.
    peer.Write(Frame("\xFF") + Frame(Lgcp::EncodeCommand(Lgcp::ping, {}, 2000)));
    driver.Run(20100);
    EXPECT_FALSE(Connected());
}

TEST_F(HeartBeat, ConnectionWithoutCommandsIsNeverDroppedAndALossStopsTheWatch) {
    driver.Run(200000);
    EXPECT_TRUE(Connected());
    Ping();
    driver.Run(1000);
    peer.Close();
    driver.Run(10);
    Connect();
    driver.Run(200000);
    EXPECT_TRUE(Connected());
}
