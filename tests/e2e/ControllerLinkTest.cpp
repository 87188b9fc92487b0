// The controller's commands and the daemon's answers on the wire, with the
// octets worked out by hand from the message's ASN.1.
#include "tests/e2e/DaemonTest.h"

#include <chrono>
#include <csignal>
#include <thread>

using ControllerLink = DaemonTest;
using Lgcp::Octets;

TEST_F(ControllerLink, CommandsGetTheirAnswersOctetForOctet) {
    StartAndConnect();
    const struct {
        const char* body;
        const char* answer;
    } exchanges[] = {
        {"06 00", "10"},                             // ping: success
        {"C0 01 07 00 11 18", "C0 01 07 00 11 40"},  // ping with seq 7 and slot 17
        {"80 01 03 40", "80 01 03 64"},              // a success from the controller: error 4
        {"40 04 00 18", "18 80"},                    // ping at slot 1024: error 2, no slot
        {"08 00 01 00", "19 00"},                    // an unknown extension command: error 4
    };
    for (const auto& e : exchanges) EXPECT_EQ(e.answer, Exchange(Octets(e.body))) << e.body;
    // display {snmpTrapReceivers: an empty list}
    EXPECT_EQ("10", Exchange(Lgcp::Writer().Command(Lgcp::display).Bits(1, 4).Octet(0)));
    // An empty frame and a ping in the same write: the ping's answer.
    ASSERT_TRUE(controller.WriteRaw(Octets("03 00 00 04") + Lgcp::Frame(Octets("06 00"))));
    EXPECT_EQ("success", controller.ReadAnswer());
    ExpectCleanStop();
}

// The daemon gives the slots of a dropped controller a second to finish,
// and serves nothing meanwhile, though a signal (a status dump asked for)
// arrives in it; a stop asked for in it ends it. A connection that arrives
// before the daemon has seen the drop is refused, so the next one waits for
// the drop's line.
TEST_F(ControllerLink, ADropHoldsTheDaemonForASecond) {
    StartAndConnect();
    for (const bool signalled : {false, true}) {
        SCOPED_TRACE(signalled ? "a signal in the second" : "no signal");
        const auto dropped = std::chrono::steady_clock::now();
        controller.Close();
        if (signalled) {
            // Well inside the second: the daemon sees a close at once.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            daemon.Signal(SIGUSR2);
        } else {
            ASSERT_TRUE(daemon.WaitFor(" closed.\n")) << daemon.Output();
        }
        ASSERT_TRUE(controller.Connect(port)) << daemon.Output();
        EXPECT_EQ("success", Answer(Octets("06 00")));
        const auto answered = std::chrono::steady_clock::now() - dropped;
        EXPECT_GE(answered, std::chrono::milliseconds(1000));
        EXPECT_LT(answered, std::chrono::milliseconds(1500));
    }
    // A stop ends the second at once; the shutdown's own second follows.
    controller.Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto stopping = std::chrono::steady_clock::now();
    ExpectCleanStop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::milliseconds(1500));
}

// The test controller's own coding against the worked examples.
TEST(LgcpWire, CodesTheWorkedExamples) {
    EXPECT_EQ("06 00", Lgcp::Hex(Lgcp::Writer().Command(Lgcp::ping)));
    EXPECT_EQ("C0 01 07 00 11 18", Lgcp::Hex(Lgcp::Writer(7, 17).Command(Lgcp::ping)));
    EXPECT_EQ("40 04 00 18", Lgcp::Hex(Lgcp::Writer({}, 1024).Command(Lgcp::ping)));
    EXPECT_EQ("80 01 03 40", Lgcp::Hex(Lgcp::Writer(3).Success()));
    const struct {
        const char* octets;
        const char* text;
    } answers[] = {
        {"10", "success"},
        {"C0 01 07 00 11 40", "success seq=7 slot=17"},
        {"80 01 03 64", "error 4 seq=3"},
        {"18 80", "error 2"},
        {"80 01 FF 40", "success seq=-1"},
        {"80 02 01 2C 40", "success seq=300"},
        {"40 00 11 8A 80 01 45", "signal 10 active 69 slot=17"},
    };
    for (const auto& answer : answers) {
        Lgcp::Message m;
        ASSERT_TRUE(Lgcp::Decode(Octets(answer.octets), m)) << answer.octets;
        EXPECT_EQ(answer.text, Lgcp::Describe(m));
        if (m.pdu == Lgcp::Message::response && m.success && !m.slot) {
            EXPECT_EQ(answer.octets, Lgcp::Hex(Lgcp::Writer(m.seq).Success()));
        }
    }
    Lgcp::Message m;
    EXPECT_FALSE(Lgcp::Decode(Octets("C0"), m));
}
