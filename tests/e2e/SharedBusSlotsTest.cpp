// Map, external and echo slots against the daemon on the simulated board:
// their streams, the shared-bus owners, the activation of an external slot
// seen on the switch, the channel bounds and the echo buses it reports.
#include "tests/e2e/DaemonTest.h"

namespace {

using Strings = std::vector<std::string>;
using Lgcp::Shared;

class SharedBusSlots : public DaemonTest {};

TEST_F(SharedBusSlots, MapOwnersAndStreams) {
    // map {tx 0/1, rx 0/0} at slot 1, seq 1, worked out by hand.
    ASSERT_EQ("C0 01 01 00 01 08 4E 00 40 00",
              Lgcp::Hex(Lgcp::EncodeCreateMap(Shared{0, 1}, Shared{0, 0}, 1, 1)));
    StartOnBoard();
    EXPECT_EQ((Strings{"success seq=1 slot=1", "signal 9 active 8192 slot=1",
                       "signal 10 active 8193 slot=1"}),
              Answers(Lgcp::EncodeCreateMap(Shared{0, 1}, Shared{0, 0}, 1, 1), 3));
    // Receiving on the channel slot 1 transmits on evicts slot 1 whole.
    EXPECT_EQ((Strings{"success seq=2 slot=2", "signal 9 active 8193 slot=2"}),
              Answers(Lgcp::EncodeCreateMap(std::nullopt, Shared{0, 1}, 2, 2), 2));
    EXPECT_TRUE(
        daemon.WaitFor("map-slot: two slots require the same ipc-slot, remove old.\n"
                       "new slot na:map <-> old slot 01:map\n"
                       "map: disable map channel 0\n"))
        << daemon.Output();
    EXPECT_EQ("error 3 seq=3 slot=1", Answer(Lgcp::EncodeCommand(Lgcp::destroy, 3, 1)));

    EXPECT_EQ((Strings{"success seq=4 slot=3", "signal 10 active 8325 slot=3"}),
              Answers(Lgcp::EncodeCreateMap(Shared{1, 5}, std::nullopt, 4, 3), 2));
    EXPECT_EQ("error 9 seq=5 slot=2", Answer(Lgcp::EncodeConnect(3, 5, 2)));
    EXPECT_EQ("success seq=6 slot=3", Answer(Lgcp::EncodeConnect(2, 6, 3)));
    EXPECT_EQ("8193 from 8325", BoardControl::Ask("/dev/hal route 8193"));
    EXPECT_EQ("success seq=7 slot=2", Answer(Lgcp::EncodeCommand(Lgcp::destroy, 7, 2)));
    EXPECT_EQ("8193 off", BoardControl::Ask("/dev/hal route 8193"));

    // Both sides on one channel: the slot holds it once and evicts nothing;
    // a map with neither side has no stream.
    EXPECT_EQ("success seq=8 slot=4",
              Answers(Lgcp::EncodeCreateMap(Shared{2, 3}, Shared{2, 3}, 8, 4), 3)[0]);
    EXPECT_EQ("success seq=9 slot=4", Answer(Lgcp::EncodeCommand(Lgcp::destroy, 9, 4)));
    EXPECT_EQ("success seq=10 slot=5", Answer(Lgcp::EncodeCreateMap({}, {}, 10, 5)));
    EXPECT_EQ("error 9 seq=11 slot=5", Answer(Lgcp::EncodeConnect(5, 11, 5)));
    EXPECT_TRUE(daemon.WaitFor("map: disable map channel 259\n")) << daemon.Output();
    const std::string output = daemon.Output();
    EXPECT_EQ(output.find("map-slot:"), output.rfind("map-slot:")) << output;
    ExpectCleanStop();
}

TEST_F(SharedBusSlots, ExternalAndEchoSlots) {
    StartOnBoard();
    EXPECT_EQ((Strings{"success seq=1 slot=5", "signal 10 active 8195 slot=5"}),
              Answers(Lgcp::EncodeCreatePair(Lgcp::ext, 3, 4, 1, 5), 2));
    Answers(Lgcp::EncodeCreateTrunk(false, 0, 7, 2, 4), 3);
    EXPECT_EQ("error 9 seq=3 slot=4", Answer(Lgcp::EncodeConnect(5, 3, 4)));
    EXPECT_EQ((Strings{"signal 9 active 8196 slot=5", "success seq=4 slot=5"}),
              Answers(Lgcp::EncodeActivateEmpty(4, 5), 2));
    EXPECT_EQ("8196 const 0xD5", BoardControl::Ask("/dev/hal route 8196"));
    EXPECT_EQ("success seq=5 slot=4", Answer(Lgcp::EncodeConnect(5, 5, 4)));
    EXPECT_EQ("success seq=6 slot=5", Answer(Lgcp::EncodeActivateEmpty(6, 5)));
    EXPECT_EQ("8196 from 7", BoardControl::Ask("/dev/hal route 8196"));
    EXPECT_EQ((Strings{"signal 9 inactive slot=5", "success seq=7 slot=5"}),
              Answers(Lgcp::EncodeCommand(Lgcp::deactivate, 7, 5), 2));
    EXPECT_EQ("8196 off", BoardControl::Ask("/dev/hal route 8196"));

    EXPECT_EQ((Strings{"success seq=8 slot=7", "signal 10 active 35 slot=7",
                       "signal 9 active 35 slot=7"}),
              Answers(Lgcp::EncodeCreatePair(Lgcp::echo, 1, 3, 8, 7), 3));
    EXPECT_EQ("success seq=9 slot=8",
              Answers(Lgcp::EncodeCreatePair(Lgcp::ext, 0x7FFFDFFF, -8192, 9, 8), 2)[0]);
    // Refused: beyond the switch's channels; echo buses above 15, negative or empty.
    const int refused[][3] = {{Lgcp::ext, 0x7FFFFFFF, 4},  {Lgcp::ext, 3, -8193},
                              {Lgcp::echo, 1, 0x7FFFFFFF}, {Lgcp::echo, 16, 0},
                              {Lgcp::echo, -1, 0},         {Lgcp::echo, 2, 0}};
    for (const auto& row : refused)
        EXPECT_EQ("error 1 seq=10 slot=9",
                  Answer(Lgcp::EncodeCreatePair(Lgcp::Pair(row[0]), row[1], row[2], 10, 9)));

    EXPECT_EQ("success seq=11", Answer(Lgcp::EncodeCommand(Lgcp::query, 11)));
    std::string report;
    std::vector<int> buses;
    ASSERT_TRUE(controller.ReadFrame(report));
    ASSERT_TRUE(Lgcp::DecodeEchoBuses(report, buses)) << Lgcp::Hex(report);
    EXPECT_EQ((std::vector<int>{0, 1}), buses);
    ExpectCleanStop();
}

}  // namespace
