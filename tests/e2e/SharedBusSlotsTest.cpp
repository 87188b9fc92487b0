// Map, external and echo slots against the daemon on the simulated board:
// their streams, the shared-bus owners, the activation of an external slot
// seen on the switch, the channel bounds and the echo buses it reports.
#include "tests/e2e/DaemonTest.h"

namespace {

using Strings = std::vector<std::string>;
struct Shared {
    unsigned bus, channel;
};

// map {transmitter, receiver}: two OPTIONAL channels of bus (0..15) and channel (0..127).
std::string Map(std::optional<Shared> transmitter, std::optional<Shared> receiver, int seq,
                unsigned slot) {
    Lgcp::Writer w(seq, slot);
    w.Create(Lgcp::map).Bits(transmitter.has_value(), 1).Bits(receiver.has_value(), 1);
    for (const auto& side : {transmitter, receiver})
        if (side) w.Bits(side->bus, 4).Bits(side->channel, 7);
    return w;
}
// ext {transmitter, receiver} or echo {bus, channel}.
std::string Pair(Lgcp::CreateAlternative kind, int first, int second, int seq, unsigned slot) {
    return Lgcp::Writer(seq, slot).Create(kind).Integer(first).Integer(second);
}
std::string ActivateEmpty(int seq, unsigned slot) {
    return Lgcp::Writer(seq, slot).Command(Lgcp::activate).Bits(0, 3);
}

using SharedBusSlots = DaemonTest;

TEST_F(SharedBusSlots, MapOwnersAndStreams) {
    // map {tx 0/1, rx 0/0} at slot 1, seq 1, worked out by hand.
    ASSERT_EQ("C0 01 01 00 01 08 4E 00 40 00", Lgcp::Hex(Map(Shared{0, 1}, Shared{0, 0}, 1, 1)));
    StartOnBoard();
    EXPECT_EQ((Strings{"success seq=1 slot=1", "signal 9 active 8192 slot=1",
                       "signal 10 active 8193 slot=1"}),
              Answers(Map(Shared{0, 1}, Shared{0, 0}, 1, 1), 3));
    // Receiving on the channel slot 1 transmits on evicts slot 1 whole.
    EXPECT_EQ((Strings{"success seq=2 slot=2", "signal 9 active 8193 slot=2"}),
              Answers(Map(std::nullopt, Shared{0, 1}, 2, 2), 2));
    EXPECT_TRUE(
        daemon.WaitFor("map-slot: two slots require the same ipc-slot, remove old.\n"
                       "new slot na:map <-> old slot 01:map\n"
                       "map: disable map channel 0\n"))
        << daemon.Output();
    EXPECT_EQ("error 3 seq=3 slot=1", Answer(Lgcp::Writer(3, 1).Command(Lgcp::destroy)));

    EXPECT_EQ((Strings{"success seq=4 slot=3", "signal 10 active 8325 slot=3"}),
              Answers(Map(Shared{1, 5}, std::nullopt, 4, 3), 2));
    EXPECT_EQ("error 9 seq=5 slot=2", Answer(Lgcp::Writer(5, 2).Command(Lgcp::connect).Slot(3)));
    EXPECT_EQ("success seq=6 slot=3", Answer(Lgcp::Writer(6, 3).Command(Lgcp::connect).Slot(2)));
    EXPECT_EQ("8193 from 8325", BoardControl::Ask("/dev/hal route 8193"));
    EXPECT_EQ("success seq=7 slot=2", Answer(Lgcp::Writer(7, 2).Command(Lgcp::destroy)));
    EXPECT_EQ("8193 off", BoardControl::Ask("/dev/hal route 8193"));

    // Both sides on one channel: the slot holds it once and evicts nothing;
    // a map with neither side has no stream.
    EXPECT_EQ("success seq=8 slot=4", Answers(Map(Shared{2, 3}, Shared{2, 3}, 8, 4), 3)[0]);
    EXPECT_EQ("success seq=9 slot=4", Answer(Lgcp::Writer(9, 4).Command(Lgcp::destroy)));
    EXPECT_EQ("success seq=10 slot=5", Answer(Map({}, {}, 10, 5)));
    EXPECT_EQ("error 9 seq=11 slot=5", Answer(Lgcp::Writer(11, 5).Command(Lgcp::connect).Slot(5)));
    EXPECT_TRUE(daemon.WaitFor("map: disable map channel 259\n")) << daemon.Output();
    const std::string output = daemon.Output();
    EXPECT_EQ(output.find("map-slot:"), output.rfind("map-slot:")) << output;
    ExpectCleanStop();
}

TEST_F(SharedBusSlots, ExternalAndEchoSlots) {
    StartOnBoard();
    EXPECT_EQ((Strings{"success seq=1 slot=5", "signal 10 active 8195 slot=5"}),
              Answers(Pair(Lgcp::ext, 3, 4, 1, 5), 2));
    Answers(Lgcp::Writer(2, 4).Create(Lgcp::trunk).Octet(0).Bits(7, 5), 3);
    EXPECT_EQ("error 9 seq=3 slot=4", Answer(Lgcp::Writer(3, 4).Command(Lgcp::connect).Slot(5)));
    EXPECT_EQ((Strings{"signal 9 active 8196 slot=5", "success seq=4 slot=5"}),
              Answers(ActivateEmpty(4, 5), 2));
    EXPECT_EQ("8196 const 0xD5", BoardControl::Ask("/dev/hal route 8196"));
    EXPECT_EQ("success seq=5 slot=4", Answer(Lgcp::Writer(5, 4).Command(Lgcp::connect).Slot(5)));
    EXPECT_EQ("success seq=6 slot=5", Answer(ActivateEmpty(6, 5)));
    EXPECT_EQ("8196 from 7", BoardControl::Ask("/dev/hal route 8196"));
    EXPECT_EQ((Strings{"signal 9 inactive slot=5", "success seq=7 slot=5"}),
              Answers(Lgcp::Writer(7, 5).Command(Lgcp::deactivate), 2));
    EXPECT_EQ("8196 off", BoardControl::Ask("/dev/hal route 8196"));

    EXPECT_EQ((Strings{"success seq=8 slot=7", "signal 10 active 35 slot=7",
                       "signal 9 active 35 slot=7"}),
              Answers(Pair(Lgcp::echo, 1, 3, 8, 7), 3));
    EXPECT_EQ("success seq=9 slot=8", Answers(Pair(Lgcp::ext, 0x7FFFDFFF, -8192, 9, 8), 2)[0]);
    // Refused: beyond the switch's channels; echo buses above 15, negative or empty.
    const int refused[][3] = {{Lgcp::ext, 0x7FFFFFFF, 4},  {Lgcp::ext, 3, -8193},
                              {Lgcp::echo, 1, 0x7FFFFFFF}, {Lgcp::echo, 16, 0},
                              {Lgcp::echo, -1, 0},         {Lgcp::echo, 2, 0}};
    for (const auto& row : refused)
        EXPECT_EQ("error 1 seq=10 slot=9",
                  Answer(Pair(Lgcp::CreateAlternative(row[0]), row[1], row[2], 10, 9)));

    EXPECT_EQ("success seq=11", Answer(Lgcp::Writer(11).Command(Lgcp::query)));
    std::string report;
    Lgcp::Message m;
    ASSERT_TRUE(controller.ReadFrame(report) && Lgcp::Decode(report, m)) << Lgcp::Hex(report);
    EXPECT_EQ((std::vector<int>{0, 1}), m.echoBuses);
    ExpectCleanStop();
}

}  // namespace
