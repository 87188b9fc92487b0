// The clock, E1 and SPI line services against the daemon on the simulated
// board: the trunk status signals, the TCLK mask, CAS and the clock source,
// the board seen and driven through its control socket; and a DTMF dial of
// the tone receiver service on a mixer output.
#include "tests/e2e/BoardControl.h"
#include "tests/e2e/DaemonTest.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace {

using Strings = std::vector<std::string>;

class BoardServices : public DaemonTest {
protected:
    // Control lines the simulated board runs before the daemon uses it.
    void Init(const Strings& lines) {
        const char* path = "/var/run/board-sim.init";
        std::ofstream init(path);
        for (const std::string& line : lines) init << line << '\n';
        daemon.environment["HALVOXD_BOARD_INIT"] = path;
    }
    Strings Read(unsigned count) {
        Strings got;
        while (got.size() < count) got.push_back(controller.ReadAnswer());
        return got;
    }
    static std::string E1(const std::string& rest) { return "signal 11 e1 " + rest + " 0"; }
    static std::string Bri(const std::string& rest) { return "signal 11 bri " + rest + " 0"; }
    // cas {channel {path 0, timeslot 1}, cmd open 5}
    static std::string CasOpen(int seq) {
        return Lgcp::Writer(seq).Ioctl(Lgcp::cas).Integer(0).Integer(1).Bits(0, 2).Integer(5);
    }
};

TEST_F(BoardServices, TrunkStatusOnConnectAndEverySecond) {
    Init({"/dev/maintenance status 1 3 7 1 2 3 4", "/dev/maintenance status 2 9 0 0 0 0 0",
          "/dev/hal spi-status 1 0x85", "/dev/hal spi-status 2 0x45", "/dev/hal spi-status 3 0x01",
          "/dev/hal spi-status 4 0x00", "/dev/hal spi-status 5 0xE5",
          "/dev/hal spi-status 6 0xE5"});
    controller.keepStatus = true;
    StartOnBoard();
    const Strings e1 = {E1("0 normal 0 0 0 0 0"), E1("1 ais 7 1 2 3 4"), E1("2 unknown 0 0 0 0 0"),
                        E1("3 normal 0 0 0 0 0")};
    // On connect the E1 trunks; a second later the E1 poll, then the BRI lines'.
    Strings expected = e1;
    expected.insert(expected.end(), e1.begin(), e1.end());
    for (const char* line : {"0 normal 0", "1 rai 0", "2 ais 0", "3 lossBF 0", "4 lossCarrier 0",
                             "5 normal 1", "6 normal 1", "7 normal 0"})
        expected.push_back(Bri(std::string(line) + " 0 0 0 0"));
    EXPECT_EQ(expected, Read(16));
    EXPECT_EQ("4", BoardControl::Ask("/dev/hal clock"));

    controller.keepStatus = false;
    EXPECT_EQ("success seq=1",
              Answer(Lgcp::Writer(1).Command(Lgcp::clockCfg).Bits(0, 2).Integer(2)));
    EXPECT_EQ("2", BoardControl::Ask("/dev/hal clock"));

    ASSERT_EQ("ok", BoardControl::Ask("/dev/maintenance broken 3 EIO"));
    controller.Close();
    ASSERT_TRUE(daemon.WaitFor(" closed.\n")) << daemon.Output();
    EXPECT_EQ("4", BoardControl::Ask("/dev/hal clock"));
    controller.keepStatus = true;
    ASSERT_TRUE(controller.Connect(port));
    // Three trunks on connect, the next poll after them.
    EXPECT_EQ((Strings{e1[0], e1[1], e1[2], e1[0]}), Read(4));
    EXPECT_TRUE(daemon.WaitFor(
        "E1: synchronization status read fail, trunk = 3 cause = Input/output error\n"))
        << daemon.Output();
    ExpectCleanStop();
}

TEST_F(BoardServices, TclkMaskCasAndChanges) {
    // open on trunk 0 timeslot 1 with 5, seq 3, worked out by hand.
    ASSERT_EQ("80 01 03 12 3C 01 00 01 01 00 01 05", Lgcp::Hex(CasOpen(3)));
    StartOnBoard();
    const int trunks[] = {1, 3, -1, 40, 1};
    for (int seq = 1; seq <= 5; ++seq) {
        Lgcp::Writer trunkCfg(seq);  // trunkCfg {trunk, slave or master}
        trunkCfg.Command(Lgcp::trunkCfg).Integer(trunks[seq - 1]).Bits(seq == 5, 1);
        EXPECT_EQ("success seq=" + std::to_string(seq), Answer(trunkCfg));
    }
    // Connect, slaves 1 and 3, nothing for -1, no bit for 40, master 1.
    EXPECT_EQ("0x0 0x2 0xa 0xa 0x8", BoardControl::Ask("/dev/maintenance tclk"));
    EXPECT_TRUE(daemon.WaitFor("E1: TCLT = 0xa\n")) << daemon.Output();

    ASSERT_TRUE(controller.Send(CasOpen(6)));
    EXPECT_EQ((Strings{"signal 14 0 0 rx 0 tx 0", "signal 14 0 1 rx 0 tx 5", "success seq=6"}),
              Read(3));
    EXPECT_EQ("rx 0x0 tx 0x5 enabled", BoardControl::Ask("/dev/e1-cas channel 0 1"));
    ASSERT_EQ("ok", BoardControl::Ask("/dev/e1-cas change 0 1 9"));
    EXPECT_EQ("signal 14 0 1 rx 9 tx 5", controller.ReadAnswer());
    EXPECT_TRUE(controller.Silent(300));

    // Left alone, the board goes on polling its trunks and hearing CAS
    // changes without a line about them.
    controller.Close();
    ASSERT_TRUE(daemon.WaitFor(" closed.\n")) << daemon.Output();
    // The services hear of it on a later pass of the loop: the clock goes
    // back to free running.
    const size_t closed = daemon.Output().find(" closed.\n");
    for (unsigned ms = 0; ms < 3000 && daemon.Output().find("freerun", closed) == std::string::npos;
         ms += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string before = daemon.Output();
    ASSERT_NE(std::string::npos, before.find("freerun", closed)) << before;
    ASSERT_EQ("ok", BoardControl::Ask("/dev/e1-cas change 0 1 3"));
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    EXPECT_EQ(before, daemon.Output());
    ExpectCleanStop();
}

// A dial that leaves the levels to the daemon plays and ends without an
// error line.
TEST_F(BoardServices, ADialWithoutLevelsLogsNoError) {
    constexpr unsigned translateDTMF = 9;  // an IoctlParams root alternative
    StartOnBoard();
    EXPECT_EQ("success seq=1", Answers(Lgcp::Writer(1).Command(Lgcp::query), 2)[0]);
    Lgcp::Writer output(2, 10);  // mixerOut {unit 3, tdm 2, no inputs}
    output.Create(Lgcp::mixerOut).Integer(3).Bits(0, 1).Integer(2).Octet(0);
    EXPECT_EQ("success seq=2 slot=10", Answer(output));
    const std::string before = daemon.Err();
    // translateDTMF {digits {{697, 1209}, {697, 1336}}}, no levels or durations
    Lgcp::Writer dial(3, 10);
    dial.Ioctl(translateDTMF).Bits(0, 4).Octet(2);
    dial.Integer(697).Integer(1209).Integer(697).Integer(1336);
    // Answered, then the end of the dial as a tonec signal.
    EXPECT_EQ((Strings{"success seq=3 slot=10", "signal 1 slot=10"}), Answers(dial, 2));
    EXPECT_EQ(before, daemon.Err());
    ExpectCleanStop();
}

TEST_F(BoardServices, ClockControlOffAndAHalWithoutSpi) {
    Init({"fail /dev/hal 0xc0034204 ENODEV once"});
    daemon.options = {"--disable-clock"};
    controller.keepStatus = true;
    StartOnBoard();
    Strings e1;
    for (const char* trunk : {"0", "1", "2", "3"})
        e1.push_back(E1(trunk + std::string(" normal 0 0 0 0 0")));
    // On connect and at the poll a second later, then no BRI line.
    EXPECT_EQ(e1, Read(4));
    EXPECT_EQ(e1, Read(4));
    EXPECT_TRUE(controller.Silent(300));
    controller.keepStatus = false;
    EXPECT_EQ("error 6 seq=1",
              Answer(Lgcp::Writer(1).Command(Lgcp::clockCfg).Bits(0, 2).Integer(2)));
    EXPECT_EQ("none", BoardControl::Ask("/dev/hal clock"));
    const std::string output = daemon.Output();
    EXPECT_NE(std::string::npos, output.find("clkctl: clock control disabled.\n"));
    const size_t spi = output.find("spi: hal without spi\n");
    EXPECT_NE(std::string::npos, spi);
    EXPECT_EQ(std::string::npos, output.find("spi: hal without spi\n", spi + 1)) << output;
    ExpectCleanStop();
}

}  // namespace
