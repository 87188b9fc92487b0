// The controller's commands and the daemon's answers on the wire, with the
// octets worked out by hand from the message's ASN.1.
#include "tests/e2e/DaemonTest.h"

using ControllerLink = DaemonTest;

TEST_F(ControllerLink, PingIsAnsweredWithSuccessEchoingSeqAndSlot) {
    StartAndConnect();
    EXPECT_EQ("10", Exchange(Octets("06 00")));
    EXPECT_EQ("C0 01 07 00 11 40", Exchange(Octets("C0 01 07 00 11 18")));
    ExpectCleanStop();
}

TEST_F(ControllerLink, ResponseSentByTheControllerGetsErrorFourWithItsSeq) {
    StartAndConnect();
    EXPECT_EQ("80 01 03 64", Exchange(Octets("80 01 03 40")));
    ExpectCleanStop();
}

TEST_F(ControllerLink, SlotAbove1023GetsErrorTwoWithoutSlot) {
    StartAndConnect();
    EXPECT_EQ("18 80", Exchange(Octets("40 04 00 18")));
    ExpectCleanStop();
}

TEST_F(ControllerLink, UnknownExtensionCommandGetsErrorFour) {
    StartAndConnect();
    EXPECT_EQ("19 00", Exchange(Octets("08 00 01 00")));
    ExpectCleanStop();
}

TEST_F(ControllerLink, DisplayIsAnsweredWithSuccess) {
    StartAndConnect();
    EXPECT_EQ("10", Exchange(Lgcp::EncodeDisplay()));
    ExpectCleanStop();
}

TEST_F(ControllerLink, UndecodableBodyIsLoggedAndNotAnsweredAndTheLinkStays) {
    StartAndConnect();
    ASSERT_TRUE(controller.Send(Octets("FF")));
    EXPECT_TRUE(controller.Silent(500));
    EXPECT_TRUE(daemon.WaitFor("]: receive fail: decode error!\n msg: FF \n")) << daemon.Output();
    // A long body is shown up to 256 octets.
    ASSERT_TRUE(controller.Send(std::string(300, '\xFF')));
    EXPECT_TRUE(daemon.WaitFor(std::string(" msg: ") + [] {
        std::string dump;
        for (int i = 0; i < 256; ++i) dump += "FF ";
        return dump;
    }() + "…\n")) << daemon.Output();
    EXPECT_EQ("10", Exchange(Octets("06 00")));
    ExpectCleanStop();
}

TEST_F(ControllerLink, EmptyFrameFollowedByAPingInTheSameWrite) {
    StartAndConnect();
    ASSERT_TRUE(controller.WriteRaw(Octets("03 00 00 04") + ControllerClient::Frame(Octets("06 00"))));
    EXPECT_EQ("success", controller.ReadAnswer());
    ExpectCleanStop();
}

TEST_F(ControllerLink, SecondControllerIsRefusedWhileTheFirstKeepsWorking) {
    StartAndConnect();
    ControllerClient second;
    ASSERT_TRUE(second.Connect(port));
    EXPECT_TRUE(second.SeesClose(2000));
    EXPECT_TRUE(daemon.WaitFor("refuse connection from 127.0.0.1:")) << daemon.Output();
    EXPECT_EQ("success seq=1", (controller.Send(Lgcp::EncodeCommand(Lgcp::ping, 1)),
                                controller.ReadAnswer()));
    ExpectCleanStop();
}

TEST_F(ControllerLink, ControllerCanReconnectAfterClosing) {
    StartAndConnect();
    controller.Close();
    ASSERT_TRUE(daemon.WaitFor("closed.")) << daemon.Output();
    ASSERT_TRUE(controller.Connect(port));
    EXPECT_EQ("success slot=5", (controller.Send(Lgcp::EncodeCommand(Lgcp::ping, {}, 5)),
                                 controller.ReadAnswer()));
    ExpectCleanStop();
}

TEST(LgcpWire, HandCodedHeaderMatchesTheWorkedExamples) {
    EXPECT_EQ(DaemonTest::Octets("06 00"), Lgcp::EncodeCommand(Lgcp::ping));
    EXPECT_EQ(DaemonTest::Octets("C0 01 07 00 11 18"), Lgcp::EncodeCommand(Lgcp::ping, 7, 17));
    EXPECT_EQ(DaemonTest::Octets("40 04 00 18"), Lgcp::EncodeCommand(Lgcp::ping, {}, 1024));
    EXPECT_EQ(DaemonTest::Octets("80 01 03 40"), Lgcp::EncodeSuccess(3));
    EXPECT_EQ(DaemonTest::Octets("80 02 01 2C 40"), Lgcp::EncodeSuccess(300));
    EXPECT_EQ(DaemonTest::Octets("80 01 FF 40"), Lgcp::EncodeSuccess(-1));
    const struct {
        const char* octets;
        const char* text;
    } answers[] = {
        {"10", "success"},
        {"C0 01 07 00 11 40", "success seq=7 slot=17"},
        {"80 01 03 64", "error 4 seq=3"},
        {"18 80", "error 2"},
        {"19 00", "error 4"},
        {"80 01 FF 40", "success seq=-1"},
        {"80 02 01 2C 40", "success seq=300"},
    };
    for (const auto& answer : answers) {
        Lgcp::Message m;
        ASSERT_TRUE(Lgcp::Decode(DaemonTest::Octets(answer.octets), m)) << answer.octets;
        EXPECT_EQ(answer.text, Lgcp::Describe(m));
    }
    Lgcp::Message m;
    EXPECT_FALSE(Lgcp::Decode(DaemonTest::Octets("C0"), m));
}
