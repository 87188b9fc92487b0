// The TDM bus test against the daemon on the simulated board: the
// controller's testBpc command over the wire, the switch seen through the
// board's control socket.
#include "tests/e2e/BoardControl.h"
#include "tests/e2e/DaemonTest.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

class BusTest : public DaemonTest {
protected:
    // The octets srandom(seed) and random() give, as the switch shows them.
    static std::vector<std::string> Sequence(int seed, unsigned count) {
        ::srandom(unsigned(seed));
        std::vector<std::string> octets;
        char text[8];
        for (unsigned i = 0; i < count; ++i) {
            std::snprintf(text, sizeof text, "0x%02X", unsigned(::random() & 0xFF));
            octets.push_back(text);
        }
        return octets;
    }
    enum Mode { read, write, disconnect };
    // testBpc {bus (0..15), seed, mode, start (0..127), length (0..127)}
    static std::string Bpc(unsigned bus, int seed, Mode mode, unsigned start, unsigned length,
                           std::optional<int> seq = {}, std::optional<unsigned> slot = {}) {
        Lgcp::Writer w(seq, slot);
        w.Command(Lgcp::testBpc).Bits(bus, 4).Integer(seed);
        return w.Bits(mode, 2).Bits(start, 7).Bits(length, 7);
    }
};

TEST_F(BusTest, WriteReadAndDisconnectModesOnTheSwitch) {
    // bus 2, seed 7, write, start 10, length 3, seq 1, worked out by hand.
    ASSERT_EQ("80 01 01 02 40 01 07 45 03", Lgcp::Hex(Bpc(2, 7, write, 10, 3, 1)));
    StartOnBoard();
    const std::vector<std::string> octets = Sequence(7, 3);

    EXPECT_EQ("success seq=1", Answer(Bpc(2, 7, write, 10, 3, 1)));
    for (unsigned i = 0; i < 3; ++i) {
        const std::string channel = std::to_string(8458 + i);
        EXPECT_EQ(channel + " const " + octets[i], BoardControl::Ask("/dev/hal route " + channel));
    }
    EXPECT_EQ("8461 off", BoardControl::Ask("/dev/hal route 8461"));

    // A slot number on the command changes nothing.
    EXPECT_EQ("success seq=2 slot=5", Answer(Bpc(2, 7, read, 10, 3, 2, 5)));

    const std::string stuck = octets[1] == "0x00" ? "0x01" : "0x00";
    ASSERT_EQ("ok", BoardControl::Ask("/dev/hal stick 8459 " + stuck));
    EXPECT_EQ("error 10 seq=3", Answer(Bpc(2, 7, read, 10, 3, 3)));
    EXPECT_TRUE(daemon.WaitFor("bus 2: test failed on channel 11 expected " + octets[1].substr(2) +
                               "  read " + stuck.substr(2) + " \n"))
        << daemon.Output();
    EXPECT_EQ("error 10 seq=4", Answer(Bpc(2, 7, write, 10, 3, 4)));
    EXPECT_TRUE(daemon.WaitFor("bus 2: write failed on channel 11 write " + octets[1].substr(2) +
                               "  written " + stuck.substr(2) + " \n"))
        << daemon.Output();

    EXPECT_EQ("success seq=5", Answer(Bpc(2, 7, disconnect, 10, 3, 5)));
    for (unsigned channel = 8458; channel <= 8460; ++channel)
        EXPECT_EQ(std::to_string(channel) + " off",
                  BoardControl::Ask("/dev/hal route " + std::to_string(channel)));
    // An empty range touches nothing.
    const std::string writes = BoardControl::Ask("/dev/hal count 0xc0084d04");
    EXPECT_EQ("success", Answer(Bpc(0, 1, write, 0, 0)));
    EXPECT_EQ(writes, BoardControl::Ask("/dev/hal count 0xc0084d04"));
    ExpectCleanStop();
}

TEST_F(BusTest, TheInitFileSetsUpTheBoardBeforeTheDaemonUsesIt) {
    const char* init = "/var/run/board-sim.init";
    std::ofstream(init)
        << "# bus 0 channel 0 reads 0x42 from the start\n/dev/hal stick 8192 0x42\n";
    daemon.environment["HALVOXD_BOARD_INIT"] = init;
    StartOnBoard();
    EXPECT_EQ("0x42", BoardControl::Ask("/dev/hal octet 8192"));
    // The open swept every shared-bus output off, and the refresh goes on.
    EXPECT_GE(std::stoul(BoardControl::Ask("/dev/hal count 0x80044d03")), 2048u);
    ExpectCleanStop();
}

TEST_F(BusTest, WithoutTheBoardTheDaemonSaysSoAndKeepsServing) {
    daemon.environment["HALVOXD_BOARD"] = "";
    StartAndConnect();
    EXPECT_TRUE(daemon.WaitFor("hwMux: can't open device: No such file or directory\n"))
        << daemon.Output();
    EXPECT_EQ("success seq=9", Answer(Lgcp::Writer(9).Command(Lgcp::ping)));
    EXPECT_EQ("success", Answer(Bpc(3, 0, disconnect, 0, 4)));
    ExpectCleanStop();
}

}  // namespace
