// Trunk slots against the daemon on the simulated board: created, connected,
// disconnected and destroyed by the controller, the switch seen through the
// board's control socket.
#include "tests/e2e/BoardControl.h"
#include "tests/e2e/DaemonTest.h"

#include <csignal>

namespace {

class TrunkSlots : public DaemonTest {
protected:
    static std::string Create(unsigned trunk, unsigned timeslot, unsigned slot, int seq,
                              bool bri = false) {
        Lgcp::Writer w(seq, slot);
        return w.Create(bri ? Lgcp::trunkBri : Lgcp::trunk).Octet(trunk).Bits(timeslot, 5);
    }
};

using Strings = std::vector<std::string>;

TEST_F(TrunkSlots, CreateConnectDisconnectDestroy) {
    // trunk {2, 5} at slot 17, seq 1, worked out by hand.
    ASSERT_EQ("C0 01 01 00 11 08 38 02 28", Lgcp::Hex(Create(2, 5, 17, 1)));

    StartOnBoard();
    EXPECT_EQ((Strings{"success seq=1 slot=17", "signal 10 active 69 slot=17",
                       "signal 9 active 69 slot=17"}),
              Answers(Create(2, 5, 17, 1), 3));
    EXPECT_EQ(
        (Strings{"success seq=2 slot=3", "signal 10 active 5 slot=3", "signal 9 active 5 slot=3"}),
        Answers(Create(0, 5, 3, 2), 3));

    EXPECT_EQ("success seq=3 slot=3", Answer(Lgcp::Writer(3, 3).Command(Lgcp::connect).Slot(17)));
    EXPECT_EQ("69 from 5", BoardControl::Ask("/dev/hal route 69"));
    const std::string connects = "/dev/hal count 0x80084d02";
    const std::string switched = BoardControl::Ask(connects);
    EXPECT_EQ("success seq=4 slot=3", Answer(Lgcp::Writer(4, 3).Command(Lgcp::connect).Slot(17)));
    EXPECT_EQ(switched, BoardControl::Ask(connects));

    EXPECT_EQ("success seq=5 slot=17", Answer(Lgcp::Writer(5, 17).Command(Lgcp::disconnect)));
    EXPECT_EQ("69 const 0xD5", BoardControl::Ask("/dev/hal route 69"));

    EXPECT_EQ("error 6 seq=6 slot=17",
              Answer(Lgcp::Writer(6, 17).Command(Lgcp::activate).Bits(0, 3)));
    EXPECT_EQ("error 1 seq=7 slot=20", Answer(Create(4, 0, 20, 7)));
    EXPECT_EQ("error 1 seq=8 slot=20", Answer(Create(3, 4, 20, 8, true)));
    EXPECT_EQ("error 3 seq=9 slot=20", Answer(Lgcp::Writer(9, 20).Command(Lgcp::destroy)));
    EXPECT_EQ("error 3 seq=10 slot=20",
              Answer(Lgcp::Writer(10, 20).Command(Lgcp::connect).Slot(17)));

    EXPECT_EQ("success seq=11 slot=17", Answer(Lgcp::Writer(11, 17).Command(Lgcp::destroy)));
    EXPECT_EQ("error 3 seq=12 slot=17", Answer(Lgcp::Writer(12, 17).Command(Lgcp::destroy)));
    // A second slot on a timeslot evicts the first.
    EXPECT_EQ("success seq=13 slot=4", Answers(Create(0, 5, 4, 13), 3)[0]);
    EXPECT_EQ("error 3 seq=14 slot=3", Answer(Lgcp::Writer(14, 3).Command(Lgcp::destroy)));
    ExpectCleanStop();
}

// The destroyed receiver's path does not outlive a failed undo: the channel
// goes off at once, and gets the idle octet the undo asked for once the driver
// takes requests again; a new slot on its timeslot does not hear the old peer.
TEST_F(TrunkSlots, AReceiverWhoseUndoFailedIsIdledOnceTheDriverRecovers) {
    StartOnBoard();
    Answers(Create(2, 5, 17, 1), 3);
    Answers(Create(0, 5, 3, 2), 3);
    ASSERT_EQ("success seq=3 slot=3", Answer(Lgcp::Writer(3, 3).Command(Lgcp::connect).Slot(17)));
    ASSERT_EQ("ok", BoardControl::Ask("fail /dev/hal 0xc0084d04 EIO once"));
    EXPECT_EQ("success seq=4 slot=17", Answer(Lgcp::Writer(4, 17).Command(Lgcp::destroy)));
    EXPECT_TRUE(daemon.WaitFor("hwMux: disconnect failed 69 : Input/output error"))
        << daemon.Output();
    EXPECT_NE("69 from 5", BoardControl::Ask("/dev/hal route 69"));
    EXPECT_EQ("69 const 0xD5", BoardControl::AskUntil("/dev/hal route 69", "69 const 0xD5"));

    EXPECT_EQ("success seq=5 slot=18", Answers(Create(2, 5, 18, 5), 3)[0]);
    EXPECT_EQ("69 const 0xD5", BoardControl::Ask("/dev/hal route 69"));
    ExpectCleanStop();
}

TEST_F(TrunkSlots, QueryAndTheLinkDrop) {
    StartOnBoard();
    EXPECT_EQ((Strings{"success seq=1", "signal 0"}),
              Answers(Lgcp::Writer(1).Command(Lgcp::query), 2));
    EXPECT_EQ("error 4 seq=2 slot=1", Answer(Lgcp::Writer(2, 1).Command(Lgcp::query)));
    // SIGHUP sends the resource list on its own.
    daemon.Signal(SIGHUP);
    EXPECT_EQ("signal 0", controller.ReadAnswer());
    EXPECT_TRUE(daemon.WaitFor("update hardware resources\n")) << daemon.Output();
    Answers(Create(1, 1, 1, 3), 3);
    Answers(Create(1, 2, 2, 4), 3);
    ASSERT_EQ("success seq=5 slot=1", Answer(Lgcp::Writer(5, 1).Command(Lgcp::connect).Slot(2)));

    controller.Close();
    ASSERT_TRUE(daemon.WaitFor(" closed.\n")) << daemon.Output();
    ASSERT_TRUE(controller.Connect(port)) << daemon.Output();
    for (unsigned slot : {1, 2})
        EXPECT_EQ("error 3 seq=6 slot=" + std::to_string(slot),
                  Answer(Lgcp::Writer(6, slot).Command(Lgcp::destroy)));
    // Both timeslots are free again: no eviction.
    Answers(Create(1, 1, 7, 7), 3);
    EXPECT_EQ(std::string::npos, daemon.Output().find("two slots require")) << daemon.Output();
    ExpectCleanStop();
}

}  // namespace
