// The heartbeat on the running daemon, in real time: each case waits about
// two minutes, so each is a test of its own and they run side by side.
#include "tests/e2e/DaemonTest.h"

#include <chrono>

using DaemonHeartbeat = DaemonTest;

TEST_F(DaemonHeartbeat, SilenceAfterACommandDropsTheLinkAfterTwoMinutes) {
    StartAndConnect();
    EXPECT_EQ("success", Answer(Lgcp::EncodeCommand(Lgcp::ping)));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(controller.SeesClose(125000)) << daemon.Output();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(119500));
    EXPECT_LE(waited, std::chrono::milliseconds(121500));
    EXPECT_TRUE(daemon.WaitFor("heartbeat timeout!!!\n")) << daemon.Output();
    ExpectCleanStop();
}

TEST_F(DaemonHeartbeat, ConnectionThatNeverSendsACommandIsNotDropped) {
    StartAndConnect();
    EXPECT_TRUE(controller.Silent(130000));
    EXPECT_EQ("success", Answer(Lgcp::EncodeCommand(Lgcp::ping)));
    EXPECT_EQ(std::string::npos, daemon.Output().find("heartbeat timeout"));
    ExpectCleanStop();
}
