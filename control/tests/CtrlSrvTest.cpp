#include "control/tests/TransportHarness.h"
#include "runtime/Multiplexer.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"

#include <functional>
#include <gtest/gtest.h>

using namespace TransportTest;

namespace {

// A service whose answer to a command is scripted by the test.
struct Scripted : CtrlSrv::Service {
    Scripted(const char* id, std::vector<std::string>& log) : id(id), log(log) {}
    void OnConnect() override { log.push_back(id + ":connect"); }
    void OnDisconnect() override { log.push_back(id + ":disconnect"); }
    bool OnCommand(const LGCP::Command&) override {
        log.push_back(id + ":command");
        return onCommand ? onCommand() : false;
    }
    void OnSignal(const LGCP::Signal&) override { log.push_back(id + ":signal"); }

    std::string id;
    std::vector<std::string>& log;
    std::function<bool()> onCommand;
};

LGCP::Signal Activated() {
    LGCP::Signal signal;
    signal.select_activated();
    return signal;
}

class CtrlSrvTest : public ServerLink {
protected:
    void SetUp() override {
        ServerLink::SetUp();
        if (IsSkipped()) return;
        Start({&first, &second, &third});
        ASSERT_TRUE(RunUntil([&] { return log.size() == 3; }, 2000));
        log.clear();
    }

    std::vector<std::string> log;
    Scripted first{"first", log}, second{"second", log}, third{"third", log};
};

}  // namespace

TEST_F(CtrlSrvTest, EachCommandIsAnsweredByTheRulesOfWhatTheServiceCalled) {
    using Answers = std::vector<std::string>;
    const std::string success = "success seq=7 slot=17", error = "error 3 seq=7 slot=17";
    const struct {
        const char* calls;
        Answers sent;
    } cases[] = {
        {"S", {success}},       {"SS", {success}}, {"SE", {success, error}}, {"E", {error}},
        {"ES", {error}},        {"EE", {error}},   {"D", {}},                {"DE", {error}},
        {"DS", {}},             {"", {"error 5 seq=7 slot=17"}},
    };
    for (const auto& c : cases) {
        TestSupport::StreamCapture errors(std::cerr);
        second.onCommand = [&] {
            for (const char* call = c.calls; *call; ++call) {
                if (*call == 'S') second.Success();
                if (*call == 'E') second.Error(LGCP::ErrorCause::slotNotExists);
                if (*call == 'D') second.delayResponse();
            }
            return true;
        };
        EXPECT_EQ(c.sent, Exchange(Lgcp::Writer(7, 17).Command(Lgcp::ping))) << c.calls;
        const bool unanswered = !*c.calls;
        EXPECT_EQ(unanswered, Contains(errors.str(), "]: software error: server do NOT send ack!!!\n"))
            << c.calls;
    }
}

TEST_F(CtrlSrvTest, CommandGoesToTheServicesInBindOrderUntilOneTakesIt) {
    second.onCommand = [&] {
        second.Success();
        return true;
    };
    EXPECT_EQ(std::vector<std::string>{"success"}, Exchange(Lgcp::Writer().Command(Lgcp::ping)));
    EXPECT_EQ((std::vector<std::string>{"first:command", "second:command"}), log);
    second.onCommand = nullptr;
    EXPECT_EQ(std::vector<std::string>{"error 4 seq=3"},
              Exchange(Lgcp::Writer(3).Command(Lgcp::ping)));

    // Unbound, a service is offered nothing and the others keep their order.
    log.clear();
    server.Unbind(&first);
    EXPECT_EQ(std::vector<std::string>{"error 4 seq=4"},
              Exchange(Lgcp::Writer(4).Command(Lgcp::ping)));
    EXPECT_EQ((std::vector<std::string>{"second:command", "third:command"}), log);
    bool connected = false;
    EXPECT_FALSE(first.CheckServerConnection(connected));
}

// What is not a command in range reaches no service: the server answers a
// response or a slot out of range itself, and shows an undecodable body.
TEST_F(CtrlSrvTest, OnlyCommandsInRangeReachTheServices) {
    TestSupport::StreamCapture errors(std::cerr);
    EXPECT_EQ(std::vector<std::string>{"error 4 seq=3"}, Exchange(Lgcp::Writer(3).Success()));
    EXPECT_EQ(std::vector<std::string>{"error 2 seq=8"},
              Exchange(Lgcp::Writer(8, 1024).Command(Lgcp::ping)));
    EXPECT_TRUE(Exchange("\xFF\x01").empty());
    EXPECT_TRUE(Contains(errors.str(), "ctrl [127.0.0.1:"));
    EXPECT_TRUE(Contains(errors.str(), "]: receive fail: decode error!\n msg: FF 01 \n"));
    // A long body is shown up to 256 octets.
    EXPECT_TRUE(Exchange(std::string(300, '\xFF')).empty());
    std::string dump;
    for (int i = 0; i < 256; ++i) dump += "FF ";
    EXPECT_TRUE(Contains(errors.str(), " msg: " + dump + "…\n"));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(std::vector<std::string>{"error 4 seq=9 slot=1023"},
              Exchange(Lgcp::Writer(9, 1023).Command(Lgcp::ping)));
    EXPECT_EQ(3u, log.size());
}

TEST_F(CtrlSrvTest, SignalsReachTheOtherServicesFirstAndCarryTheSlotOfTheDispatch) {
    second.onCommand = [&] {
        second.SendSignal(Activated());
        second.Success();
        return true;
    };
    EXPECT_EQ((std::vector<std::string>{"signal 5 slot=5", "success seq=1 slot=5"}),
              Exchange(Lgcp::Writer(1, 5).Command(Lgcp::ping)));
    EXPECT_EQ((std::vector<std::string>{"first:command", "second:command", "first:signal",
                                        "third:signal"}),
              log);
    // Outside a dispatch a signal has no slot unless the sender names one.
    second.SendSignal(Activated());
    third.SendSignal(9, Activated());
    EXPECT_EQ((std::vector<std::string>{"signal 5", "signal 5 slot=9"}), Exchange(""));
}

TEST_F(CtrlSrvTest, DeferredAnswerKeepsItsOwnSeqWhateverIsBeingDispatched) {
    CtrlSrv::SeqToken token = 0;
    second.onCommand = [&] {
        token = second.delayResponse();
        return true;
    };
    EXPECT_TRUE(Exchange(Lgcp::Writer(42, 17).Command(Lgcp::destroy)).empty());
    EXPECT_EQ(42, token);
    second.onCommand = [&] {
        second.delayedSuccess(17, token);
        second.Success();
        return true;
    };
    EXPECT_EQ((std::vector<std::string>{"success seq=42 slot=17", "success seq=43"}),
              Exchange(Lgcp::Writer(43).Command(Lgcp::ping)));
    // A command without seq never lends an older number to its deferred answer.
    second.onCommand = [&] {
        token = second.delayResponse();
        return true;
    };
    Exchange(Lgcp::Writer({}, 3).Command(Lgcp::destroy));
    EXPECT_EQ(CtrlSrv::Server::noSeq, token);
    second.delayedSuccess(3, token);
    EXPECT_EQ(std::vector<std::string>{"success slot=3"}, Exchange(""));
    // Every seq a peer can send comes back, the lowest and -1 included.
    for (int seq : {-1, INT32_MIN, INT32_MAX}) {
        Exchange(Lgcp::Writer(seq, 4).Command(Lgcp::destroy));
        second.delayedSuccess(4, token);
        EXPECT_EQ(std::vector<std::string>{"success seq=" + std::to_string(seq) + " slot=4"},
                  Exchange(""));
    }
}

TEST_F(CtrlSrvTest, AnswersOutsideADispatchSendNothing) {
    second.onCommand = [&] {
        second.Error(LGCP::ErrorCause::invalidParams);
        return true;
    };
    EXPECT_EQ(std::vector<std::string>{"error 0 seq=5"},
              Exchange(Lgcp::Writer(5).Command(Lgcp::ping)));
    TestSupport::StreamCapture errors(std::cerr);
    second.Success();
    second.Error(LGCP::ErrorCause::internal);
    EXPECT_TRUE(Exchange("").empty());
    EXPECT_EQ(2u, Occurrences(errors.str(), " outside a command dispatch, nothing sent!\n"));
}

TEST_F(CtrlSrvTest, ConnectionEventsReachEveryServiceInBindOrder) {
    peer.Close();
    ASSERT_TRUE(RunUntil([&] { return log.size() == 3; }, 2000));
    peer = Peer();
    ASSERT_TRUE(RunUntil([&] { return log.size() == 6; }, 2000));
    EXPECT_EQ((std::vector<std::string>{"first:disconnect", "second:disconnect",
                                        "third:disconnect", "first:connect", "second:connect",
                                        "third:connect"}),
              log);
    log.clear();
    server.Deactivate();
    EXPECT_EQ((std::vector<std::string>{"first:disconnect", "second:disconnect",
                                        "third:disconnect"}),
              log);
    EXPECT_FALSE(Connected());
}

// A timer whose handler does nothing shows only in the loop's count of fired timers.
TEST_F(CtrlSrvTest, AverageStatisticsTimerRunsFiveSecondsFromEachConnectUntilItsLoss) {
    FakeClock clock(1000);
    LoopDriver driver(&clock, 1);
    const std::uint32_t before = multiplexer.timer_measure().counter;
    peer = Peer();  // the connection made on the real clock is dropped
    driver.Run(4990);
    peer.Close();
    driver.Run(10000);
    peer = Peer();
    driver.Run(4990);
    EXPECT_EQ(before, multiplexer.timer_measure().counter);
    driver.Run(20);
    EXPECT_EQ(before + 1, multiplexer.timer_measure().counter);
}

TEST(CtrlSrvService, UnboundServiceSendsNothingAndSaysSo) {
    std::vector<std::string> log;
    Scripted loose("loose", log);
    TestSupport::StreamCapture errors(std::cerr);
    loose.Success();
    loose.SendSignal(Activated());
    EXPECT_EQ(-1, loose.GetSlot());
    EXPECT_EQ(CtrlSrv::Server::noSeq, loose.delayResponse());
    bool connected = false;
    EXPECT_FALSE(loose.CheckServerConnection(connected));
    EXPECT_EQ(4u, Occurrences(errors.str(),
                              "CtrlSrv::Service error! service not connected to server.\n"));
}
