#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimHal.h"
#include "hardware/HalDriver.h"
#include "hardware/HwMux.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "control/tests/TransportHarness.h"
#include "tests/support/StreamCapture.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using Board::SimHal;
using Request = SimHal::Request;

namespace {

// Every case runs on the simulated board, reset and recording.
struct HwMuxTest : ::testing::Test {
    HwMuxTest() {
        ::setenv("HALVOXD_BOARD", "sim", 1);
        sim = Board::simulation();
        if (!sim) return;
        sim->Reset();
        hal = &sim->Model<SimHal>("/dev/hal");
        hal->Record(true);
    }
    void SetUp() override { ASSERT_NE(sim, nullptr) << "the simulated board is not built in"; }

    // The channels the next refresh runs switch off.
    std::vector<int> Sweep(int runs, HwMux& mux) {
        hal->ClearHistory();
        for (int i = 0; i < runs; ++i) mux.OnDPC();
        std::vector<int> channels;
        for (const Request& r : hal->History()) {
            EXPECT_EQ(r.number, Hal::MuxDisable);
            channels.push_back(r.word0);
        }
        return channels;
    }
    static bool Has(const std::vector<int>& channels, int channel) {
        return std::find(channels.begin(), channels.end(), channel) != channels.end();
    }
    // A second passes: the owed requests off the bus are asked again.
    void PassASecond() {
        clock.advanceMs(1000);
        LoopDriver().Run(1);
    }

    FakeClock clock;

    Board::Sim* sim = nullptr;
    SimHal* hal = nullptr;
};

TEST_F(HwMuxTest, FirstOpenSwitchesEverySharedBusOutputOffInOrder) {
    TestSupport::StreamCapture log(std::clog);
    HwMux mux;
    EXPECT_EQ(log.str(), "hwMux: init\nhwMux: device opened\n");
    ASSERT_EQ(hal->History().size(), 2048u);
    for (int i = 0; i < 2048; ++i)
        EXPECT_EQ(hal->History()[i], (Request{Hal::MuxDisable, 8192 + i, 0}));
    // Opened once: later operations reuse the descriptor.
    mux.Read(8192);
    EXPECT_EQ(sim->OpenCount("/dev/hal"), 1u);

    // Closed, it refreshes nothing and opens afresh at the next operation.
    mux.Close();
    EXPECT_EQ(sim->OpenCount("/dev/hal"), 0u);
    hal->ClearHistory();
    mux.OnDPC();
    EXPECT_TRUE(hal->History().empty());
    mux.Read(8192);
    EXPECT_EQ(sim->OpenCount("/dev/hal"), 1u);
    EXPECT_EQ(hal->History().size(), 2049u);
}

TEST_F(HwMuxTest, RefreshLeavesConnectedOutputsAloneAndWrapsAround) {
    HwMux mux;
    ASSERT_TRUE(mux.Connect(5, 8200));
    EXPECT_EQ(hal->History().back(), (Request{Hal::MuxConnect, 8200, 5}));
    EXPECT_EQ(sim->Command("/dev/hal route 8200"), "8200 from 5");
    // Transmit channels whose low 16 bits look like markers are still connections.
    ASSERT_TRUE(mux.Connect(0xFFFF, 8201));
    ASSERT_TRUE(mux.Connect(0xFFFE, 8202));
    // The receive side decides: a shared-bus channel as transmitter changes nothing.
    ASSERT_TRUE(mux.Connect(8203, 5));

    std::vector<int> first = Sweep(1, mux);
    ASSERT_EQ(first.size(), 125u);
    EXPECT_EQ(first.front(), 8193);
    EXPECT_EQ(first.back(), 8192 + 128);

    std::vector<int> rest = Sweep(14, mux);
    EXPECT_FALSE(Has(rest, 8200) || Has(rest, 8201) || Has(rest, 8202));
    // The sixteenth run ends the sweep: 1921..2047, then entry 0.
    std::vector<int> last = Sweep(1, mux);
    ASSERT_EQ(last.size(), 128u);
    EXPECT_EQ(last.front(), 8192 + 1921);
    EXPECT_EQ(last[126], 8192 + 2047);
    EXPECT_EQ(last.back(), 8192);

    ASSERT_TRUE(mux.Disable(8200));
    ASSERT_TRUE(mux.Disconnect(8201));
    EXPECT_EQ(sim->Command("/dev/hal route 8201"), "8201 const 0xD5");
    std::vector<int> again = Sweep(16, mux);
    EXPECT_EQ(again.size(), 2046u);
    EXPECT_TRUE(Has(again, 8200));
    EXPECT_FALSE(Has(again, 8201));
}

TEST_F(HwMuxTest, WriteAndReadGoThroughTheSwitch) {
    HwMux mux;
    hal->ClearHistory();
    ASSERT_TRUE(mux.Write(8300, 0x5A));
    ASSERT_TRUE(mux.Write(10240, 0x12));
    EXPECT_EQ(mux.Read(8300), 0x5A);
    EXPECT_EQ(mux.Read(8301), 0xFF);
    EXPECT_EQ(hal->History(), (std::vector<Request>{{Hal::MuxWrite, 8300, 0x5A},
                                                    {Hal::MuxWrite, 10240, 0x12},
                                                    {Hal::MuxRead, 8300, 0xFF},
                                                    {Hal::MuxRead, 8301, 0xFF}}));
    // A channel past the shared bus has no shadow entry: the refresh starts where it was.
    EXPECT_EQ(Sweep(1, mux).front(), 8193);
    EXPECT_FALSE(Has(Sweep(15, mux), 8300));
}

// A connect refused for a negative channel writes its line as every refusal
// does, once a second for the channel.
TEST_F(HwMuxTest, NegativeChannelsSendNothing) {
    HwMux mux;
    hal->ClearHistory();
    TestSupport::StreamCapture log(std::clog);
    EXPECT_EQ(mux.Read(-1), 255);
    EXPECT_FALSE(mux.Connect(-1, 8200));
    EXPECT_FALSE(mux.Connect(5, -1));
    EXPECT_FALSE(mux.Disconnect(-1));
    EXPECT_FALSE(mux.Disable(-1));
    EXPECT_FALSE(mux.Write(-1, 0));
    EXPECT_TRUE(hal->History().empty());
    // Both connects name channel -1: one line within the second.
    EXPECT_EQ(log.str(), "hwMux: ERROR not opened [cause=Invalid argument]\n");
}

// Each operation opens the device again; the open's failure is written at
// most once a second, and each request refused for want of it writes its own
// line, once a second for each request and channel.
TEST_F(HwMuxTest, WithoutTheDeviceEveryOperationFailsAndTriesAgain) {
    sim->FailOpen("/dev/hal", ENOENT, false);
    TestSupport::StreamCapture log(std::clog);
    HwMux mux;
    const std::string missing = "can't open device: No such file or directory\n";
    const std::string opening = "hwMux: init\nhwMux: " + missing;
    EXPECT_EQ(log.str(), opening);
    EXPECT_FALSE(mux.Connect(5, 8200));
    EXPECT_FALSE(mux.Disconnect(8200));
    EXPECT_FALSE(mux.Disable(8200));
    EXPECT_FALSE(mux.Write(8200, 1));
    EXPECT_EQ(mux.Read(8200), 255);
    mux.OnDPC();
    const std::string requests = "hwMux: connect 5 -> 8200 failed: " + missing +
                                 "hwMux: disconnect failed 8200 : " + missing +
                                 "hwMux: disable failed 8200 : " + missing +
                                 "hwMux: read failed 8200 -> 0xff : " + missing;
    EXPECT_EQ(log.str(), opening + requests);
    clock.advanceMs(1000);
    EXPECT_EQ(mux.Read(8200), 255);
    EXPECT_EQ(log.str(), opening + requests + "hwMux: " + missing +
                             "hwMux: read failed 8200 -> 0xff : " + missing);
    EXPECT_TRUE(hal->History().empty());

    sim->ClearFaults();
    EXPECT_TRUE(mux.Connect(5, 8200));
    EXPECT_EQ(hal->History().size(), 2049u);
}

// Short of descriptors at start, an external slot is activated: once the
// device opens, its shared-bus receive channel carries the idle octet it
// asked for, and the refresh leaves it so, rather than switching it off
// with the outputs nobody asked anything of.
TEST_F(HwMuxTest, AnOutputAskedForWhileTheDeviceWasClosedGetsItAtTheOpen) {
    sim->FailOpen("/dev/hal", EMFILE, false);
    HwMux mux;
    EXPECT_FALSE(mux.Disconnect(8196));
    EXPECT_FALSE(mux.Write(8300, 0x5A));
    EXPECT_FALSE(mux.Disconnect(8301));
    EXPECT_FALSE(mux.Disable(8301));
    EXPECT_FALSE(mux.Connect(5, 8302));
    sim->ClearFaults();
    EXPECT_EQ(mux.Read(8196), 0xD5);
    EXPECT_EQ(hal->History().size(), 2049u);
    std::vector<int> sweep = Sweep(16, mux);
    EXPECT_FALSE(Has(sweep, 8196) || Has(sweep, 8300));
    EXPECT_TRUE(Has(sweep, 8301) && Has(sweep, 8302));
    for (const char* held : {"8196 const 0xD5", "8300 const 0x5A", "8301 off", "8302 off"})
        EXPECT_EQ(sim->Command("/dev/hal route " + std::string(held).substr(0, 4)), held);

    // Given back, the switch forgets what was asked: it opens as at start.
    mux.Close();
    hal->ClearHistory();
    EXPECT_EQ(mux.Read(8196), 0xFF);

    // An octet owed for want of the device goes at the open, though another
    // octet on its channel was refused within the second: that refusal is
    // not its own.
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EIO, true);
    EXPECT_FALSE(mux.Write(8300, 0x11));
    mux.Close();
    sim->FailOpen("/dev/hal", EMFILE, false);
    EXPECT_FALSE(mux.Write(8300, 0x22));
    sim->ClearFaults();
    EXPECT_EQ(mux.Read(8300), 0x22);
}

// An idle octet owed while the device could not be opened, and refused
// again at the open, stays owed: the output goes off at once, no leftover of
// a path before the open on it, and the octet reaches it once the driver
// takes it.
TEST_F(HwMuxTest, AnOutputRefusedAgainAtTheOpenStaysOwed) {
    {
        const Fd before(Board::devices().open("/dev/hal", O_RDWR));
        Hal::MuxConnectRecord path{8196, 33};
        ASSERT_EQ(0, Board::devices().ioctl(before.lowlevel_fd(), Hal::MuxConnect, &path));
    }
    sim->FailOpen("/dev/hal", EMFILE, false);
    HwMux mux;
    EXPECT_FALSE(mux.Disconnect(8196));
    sim->ClearFaults();
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EIO, true);
    PassASecond();
    EXPECT_EQ(sim->OpenCount("/dev/hal"), 1u);
    EXPECT_EQ(sim->Command("/dev/hal route 8196"), "8196 off");
    PassASecond();
    EXPECT_EQ(sim->Command("/dev/hal route 8196"), "8196 const 0xD5");
}

// Short of descriptors at start, an external slot is activated and then the
// controller asks nothing more of the switch: the device is opened again
// each second while the idle octet is owed, so it reaches the board once
// descriptors are back rather than at some later operation.
TEST_F(HwMuxTest, AnOutputOwedWhileTheDeviceIsClosedOpensItWithinASecond) {
    sim->FailOpen("/dev/hal", EMFILE, false);
    TestSupport::StreamCapture log(std::clog);
    HwMux mux;
    EXPECT_FALSE(mux.Disconnect(8196));
    LoopDriver(&clock, 100).Run(25);
    EXPECT_EQ(sim->OpenCount("/dev/hal"), 0u);
    // The start's line only: the operation within its second, and the retries
    // meeting the same error, say nothing new.
    const std::string text = log.str(), missing = "hwMux: can't open device";
    std::size_t tries = 0;
    for (auto at = text.find(missing); at != std::string::npos; at = text.find(missing, at + 1))
        ++tries;
    EXPECT_EQ(tries, 1u);
    sim->ClearFaults();
    LoopDriver(&clock, 100).Run(10);
    EXPECT_EQ(sim->Command("/dev/hal route 8196"), "8196 const 0xD5");
}

// A failed request is logged with its reason; a failed connect leaves the
// output as it was, so the refresh keeps an output off that never got its path,
// while a refused idle octet or constant is owed and sent again.
TEST_F(HwMuxTest, FailedRequestsAreLoggedAndConnectRestoresTheShadow) {
    HwMux mux;
    const std::string eio = "Input/output error";
    const struct {
        unsigned long request;
        std::function<bool()> operation;
        std::string line;
    } table[] = {
        {Hal::MuxConnect, [&] { return mux.Connect(5, 8200); },
         "hwMux: connect 5 -> 8200 failed: " + eio},
        {Hal::MuxWrite, [&] { return mux.Disconnect(8201); },
         "hwMux: disconnect failed 8201 : " + eio},
        {Hal::MuxDisable, [&] { return mux.Disable(8202); }, "hwMux: disable failed 8202 : " + eio},
        {Hal::MuxWrite, [&] { return mux.Write(8203, 0xab); },
         "hwMux: write failed 8203 <- 0xab : " + eio},
        {Hal::MuxRead, [&] { return mux.Read(8204) != 255; },
         "hwMux: read failed 8204 -> 0xff : " + eio},
    };
    for (const auto& row : table) {
        sim->FailRequest("/dev/hal", row.request, EIO, true);
        TestSupport::StreamCapture log(std::clog);
        EXPECT_FALSE(row.operation());
        EXPECT_EQ(log.str(), row.line + "\n");
    }
    PassASecond();
    EXPECT_EQ(sim->Command("/dev/hal route 8201"), "8201 const 0xD5");
    EXPECT_EQ(sim->Command("/dev/hal route 8203"), "8203 const 0xAB");
    std::vector<int> sweep = Sweep(16, mux);
    EXPECT_TRUE(Has(sweep, 8200));
    EXPECT_EQ(sim->Command("/dev/hal route 8200"), "8200 off");

    ASSERT_TRUE(mux.Connect(6, 8200));
    sim->FailRequest("/dev/hal", Hal::MuxConnect, EIO, true);
    EXPECT_FALSE(mux.Connect(7, 8200));
    EXPECT_FALSE(Has(Sweep(16, mux), 8200));
}

// A controller repeating a request the driver refuses, or that cannot reach
// the device, is answered each time, and its line is written at most once a
// second for each request and channel: another channel's failure, or
// another request's on the channel, has its own line.
TEST_F(HwMuxTest, RepeatedFailuresWriteOneLineASecondForEachRequestAndChannel) {
    HwMux mux;
    const struct {
        const char* name;
        const char* fault;
        std::function<bool(int channel)> operation;
        std::string line;  // on channel 34, which the first line of another channel follows
    } rows[] = {
        {"connect", "fail /dev/hal 0x80084d02 EIO", [&](int ch) { return mux.Connect(33, ch); },
         "hwMux: connect 33 -> 34 failed: Input/output error"},
        {"read", "fail /dev/hal 0xc0084d05 EIO", [&](int ch) { return mux.Read(ch) != 255; },
         "hwMux: read failed 34 -> 0xff : Input/output error"},
        {"connect without the device", "fail open /dev/hal EMFILE",
         [&](int ch) { return mux.Connect(33, ch); },
         "hwMux: connect 33 -> 34 failed: can't open device: Too many open files"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        clock.advanceMs(3600 * 1000);  // past the lines of the row before
        mux.Close();
        ASSERT_EQ("ok", sim->Command(row.fault));
        TestSupport::StreamCapture log(std::clog);
        for (int i = 0; i < 20; ++i) {
            EXPECT_FALSE(row.operation(34));
            clock.advanceMs(75);
        }
        EXPECT_FALSE(row.operation(35));
        EXPECT_EQ(2u, TransportTest::Occurrences(log.str(), row.line + "\n")) << log.str();
        std::string other = row.line;
        other.replace(other.find("34"), 2, "35");
        EXPECT_EQ(1u, TransportTest::Occurrences(log.str(), other + "\n")) << log.str();
        sim->ClearFaults();
    }
}

// A refused undo or switch-off is owed, on the shared bus and off it: it is
// asked again each second while the driver refuses, and once it takes the
// request the channel holds what was asked and is left alone, unless it got
// a new path first.
TEST_F(HwMuxTest, ARefusedUndoOrSwitchOffIsAskedAgainUntilTheDriverTakesIt) {
    HwMux mux;
    for (int channel : {69, 70, 71, 8201}) ASSERT_TRUE(mux.Connect(5, channel));
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EIO, false);
    sim->FailRequest("/dev/hal", Hal::MuxDisable, EIO, false);
    for (int channel : {69, 70, 8201}) EXPECT_FALSE(mux.Disconnect(channel));
    EXPECT_FALSE(mux.Disable(71));
    ASSERT_TRUE(mux.Connect(6, 70));
    PassASecond();
    for (const char* held : {"69", "71", "8201"})
        EXPECT_EQ(sim->Command(std::string("/dev/hal route ") + held),
                  std::string(held) + " from 5");
    sim->ClearFaults();

    hal->ClearHistory();
    PassASecond();
    auto asked = [&](int channel) {
        std::vector<Request> requests;
        for (const Request& r : hal->History())
            if (r.word0 == channel) requests.push_back(r);
        return requests;
    };
    EXPECT_EQ(asked(69), (std::vector<Request>{{Hal::MuxWrite, 69, 0xD5}}));
    EXPECT_EQ(asked(71), (std::vector<Request>{{Hal::MuxDisable, 71, 0}}));
    EXPECT_EQ(asked(8201), (std::vector<Request>{{Hal::MuxWrite, 8201, 0xD5}}));
    EXPECT_TRUE(asked(70).empty());
    EXPECT_EQ(sim->Command("/dev/hal route 69"), "69 const 0xD5");
    EXPECT_EQ(sim->Command("/dev/hal route 71"), "71 off");
    EXPECT_EQ(sim->Command("/dev/hal route 8201"), "8201 const 0xD5");
    EXPECT_EQ(sim->Command("/dev/hal route 70"), "70 from 6");

    std::vector<int> sweep = Sweep(16, mux);
    EXPECT_FALSE(Has(sweep, 69) || Has(sweep, 70) || Has(sweep, 71) || Has(sweep, 8201));
}

// A refusal's retry waits a full second from that refusal, whatever else is
// owed: a tick that another channel's refusal armed does not send it early.
TEST_F(HwMuxTest, ARefusedRequestIsAskedAgainASecondAfterItsRefusal) {
    HwMux mux;
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EIO, false);
    EXPECT_FALSE(mux.Write(8201, 0x11));
    clock.advanceMs(600);
    EXPECT_FALSE(mux.Write(8202, 0x22));
    sim->ClearFaults();
    auto written = [&] {
        std::vector<int> channels;
        for (const Request& r : hal->History())
            if (r.number == Hal::MuxWrite) channels.push_back(r.word0);
        hal->ClearHistory();
        return channels;
    };
    written();
    for (const auto& [afterMs, channels] :
         {std::pair{400, std::vector<int>{8201}}, {599, {}}, {1, {8202}}}) {
        clock.advanceMs(afterMs);
        LoopDriver().Run(1);
        EXPECT_EQ(written(), channels) << afterMs;
    }
}

// A connected channel whose idle write the driver refuses is switched off at
// once, on the shared bus and off it: the torn-down call's path does not
// outlive its undoing. The idle octet is owed, unless refused as invalid, and
// reaches the channel once the driver takes it; the switch-off is owed
// itself when the octet is not, whatever its own error.
TEST_F(HwMuxTest, ARefusedIdleWriteSwitchesThePathOffAtOnce) {
    const struct {
        std::vector<const char*> faults;
        const char* atOnce;  // the channel right after the refusal
        const char* later;   // seconds later, while the faults last
        const char* held;    // a second after they are cleared
        // The seconds the faults last, and the switch-off's failure lines
        // meanwhile: the same error is not written again while the
        // channel owes anything.
        int seconds = 1;
        unsigned offLines = 0;
    } rows[] = {
        {{"fail /dev/hal 0xc0084d04 EINVAL once"}, "off", "off", "off"},
        {{"fail /dev/hal 0xc0084d04 EIO"}, "off", "off", "const 0xD5"},
        {{"fail /dev/hal 0xc0084d04 EBUSY"}, "off", "off", "const 0xD5"},
        {{"fail /dev/hal 0xc0084d04 EINVAL once", "fail /dev/hal 0x80044d03 EIO"},
         "from 33",
         "from 33",
         "off",
         1,
         1},
        {{"fail /dev/hal 0xc0084d04 EIO", "fail /dev/hal 0x80044d03 EIO"},
         "from 33",
         "from 33",
         "const 0xD5",
         4,
         1},
    };
    HwMux mux;
    for (const auto& row : rows)
        for (int channel : {34, 8201}) {
            SCOPED_TRACE(std::string(row.faults.back()) + " on " + std::to_string(channel));
            const std::string route = "/dev/hal route " + std::to_string(channel);
            ASSERT_TRUE(mux.Connect(33, channel));
            TestSupport::StreamCapture log(std::clog);
            for (const char* fault : row.faults) ASSERT_EQ("ok", sim->Command(fault));
            EXPECT_FALSE(mux.Disconnect(channel));
            EXPECT_EQ(std::to_string(channel) + " " + row.atOnce, sim->Command(route));
            for (int second = 0; second < row.seconds; ++second) PassASecond();
            EXPECT_EQ(std::to_string(channel) + " " + row.later, sim->Command(route));
            EXPECT_EQ(row.offLines,
                      TransportTest::Occurrences(
                          log.str(), "hwMux: disable failed " + std::to_string(channel) + " : "));
            sim->ClearFaults();
            PassASecond();
            EXPECT_EQ(std::to_string(channel) + " " + row.held, sim->Command(route));
        }
}

// Owed requests go a batch a second, round robin: however many the
// controller left while the driver refused, a second sends at most one batch
// of them, and switch-offs the driver goes on refusing hold back no idle
// octet behind them.
TEST_F(HwMuxTest, OwedRequestsOffTheBusGoABatchARunRoundRobin) {
    HwMux mux;
    const int batch = HwMux::refreshBatch, first = 20000, idles = batch + batch / 2;
    sim->FailRequest("/dev/hal", Hal::MuxDisable, EIO, false);
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EIO, false);
    for (int channel = first; channel < first + batch; ++channel)
        EXPECT_FALSE(mux.Disable(channel));
    for (int channel = first + batch; channel < first + batch + idles; ++channel)
        EXPECT_FALSE(mux.Disconnect(channel));
    sim->ClearFaults();
    sim->FailRequest("/dev/hal", Hal::MuxDisable, EIO, false);
    std::vector<long> taken;
    for (int run = 0; run < 3; ++run) {
        hal->ClearHistory();
        PassASecond();
        taken.push_back(std::count_if(hal->History().begin(), hal->History().end(),
                                      [](const Request& r) { return r.number == Hal::MuxWrite; }));
    }
    EXPECT_EQ(taken, (std::vector<long>{0, batch, batch / 2}));
    const int last = first + batch + idles - 1;
    EXPECT_EQ(sim->Command("/dev/hal route " + std::to_string(last)),
              std::to_string(last) + " const 0xD5");

    // An octet refused at its retry brings its channel's switch-off, which
    // the second's share counts: 64 octets go, and 64 switch-offs.
    sim->ClearFaults();
    PassASecond();  // the switch-offs owed above go
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EIO, false);
    const int again = 30000;
    for (int channel = again; channel < again + 2 * batch; ++channel)
        EXPECT_FALSE(mux.Disconnect(channel));
    hal->ClearHistory();
    PassASecond();
    EXPECT_EQ(64, std::count_if(hal->History().begin(), hal->History().end(), [](const Request& r) {
                  return r.number == Hal::MuxDisable && r.word0 >= again;
              }));

    // With one switch-off owed before them, the 64th octet is the share's
    // last request: the switch-off it brings waits for the next second.
    sim->ClearFaults();
    PassASecond();
    sim->FailRequest("/dev/hal", Hal::MuxDisable, EIO, true);
    EXPECT_FALSE(mux.Disable(again - 1));
    std::size_t refused = 0;
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EIO, false,
                     [&refused](const void*) { return ++refused; });
    for (int channel = again; channel < again + 2 * batch; ++channel)
        EXPECT_FALSE(mux.Disconnect(channel));
    hal->ClearHistory();
    refused = 0;
    PassASecond();
    const auto offs =
        std::count_if(hal->History().begin(), hal->History().end(), [](const Request& r) {
            return r.number == Hal::MuxDisable && r.word0 >= again - 1;
        });
    EXPECT_EQ(std::size_t(Hardware::OwedRequests::perSecond), refused + std::size_t(offs));
    EXPECT_EQ(64u, refused);

    // A switch-off that waited so, refused at its retry, waits a second from
    // that refusal: the sooner tick another channel's refusal brings sends
    // it nothing. The octet before it is the share's last request.
    sim->ClearFaults();
    mux.Close();
    ASSERT_TRUE(mux.IsOpened());
    PassASecond();  // past the share spent above
    const int off = 40000, octet = 41000;
    sim->FailRequest("/dev/hal", Hal::MuxDisable, EIO, false);
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EIO, true);
    for (int channel = off; channel < off + int(Hardware::OwedRequests::perSecond) - 1; ++channel)
        EXPECT_FALSE(mux.Disable(channel));
    EXPECT_FALSE(mux.Write(octet, 0x33));
    sim->ClearFaults();
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EINVAL, true);
    std::size_t octetOffs = 0;
    sim->FailRequest("/dev/hal", Hal::MuxDisable, EIO, false, [&octetOffs](const void* record) {
        return static_cast<const Hal::MuxChannelRecord*>(record)->channel == octet && ++octetOffs;
    });
    PassASecond();
    EXPECT_EQ(octetOffs, 0u);
    clock.advanceMs(500);
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EIO, true);
    EXPECT_FALSE(mux.Write(octet + 1, 0x44));
    for (const auto& [afterMs, sent] : {std::pair{600, 1u}, {400, 0u}, {600, 1u}}) {
        octetOffs = 0;
        clock.advanceMs(afterMs);
        LoopDriver().Run(1);
        EXPECT_EQ(octetOffs, sent) << afterMs;
    }
}

// The driver refuses a channel beyond the switch as invalid: a controller
// naming one such channel after another must not leave the refresh one more
// request to send for each of them, for ever.
TEST_F(HwMuxTest, ARequestOnAChannelTheSwitchLacksIsNotOwed) {
    HwMux mux;
    const int beyond = SimHal::maxChannel + 1;
    EXPECT_FALSE(mux.Disconnect(beyond));
    EXPECT_FALSE(mux.Disable(beyond + 1));
    EXPECT_FALSE(mux.Write(beyond + 2, 0x12));
    hal->ClearHistory();
    for (int second = 0; second < 2; ++second) PassASecond();
    auto beyondAsked = [&](unsigned long number) {
        return std::count_if(hal->History().begin(), hal->History().end(), [&](const Request& r) {
            return r.word0 >= beyond && (!number || r.number == number);
        });
    };
    EXPECT_EQ(0, beyondAsked(0));

    // Refused otherwise first, it goes at the first retry that meets the
    // driver's own refusal.
    sim->FailRequest("/dev/hal", Hal::MuxWrite, EIO, true);
    EXPECT_FALSE(mux.Disconnect(beyond));
    hal->ClearHistory();
    for (int second = 0; second < 2; ++second) PassASecond();
    EXPECT_EQ(1, beyondAsked(Hal::MuxWrite));
}

// The refresh runs as a deferred call of the main loop once the device is open.
TEST_F(HwMuxTest, TheLoopRunsTheRefresh) {
    HwMux mux;
    hal->ClearHistory();
    LoopDriver driver;
    driver.Run(9);
    EXPECT_GE(hal->History().size(), 2048u);
}

TEST(PrintTrace, PrintsItsHeaderThenEachFrame) {
    ::testing::internal::CaptureStdout();
    print_trace();
    EXPECT_THAT(::testing::internal::GetCapturedStdout(),
                ::testing::MatchesRegex("Obtained ([1-9]|10) stack frames\\.\n([^\n]+\n){1,10}"));
}

}  // namespace
