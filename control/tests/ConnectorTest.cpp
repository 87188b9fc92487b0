#include <gtest/gtest.h>

#include "control/ConnectorNet.h"
#include "control/tests/TransportHarness.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"

using namespace TransportTest;

namespace {

// The client on a clock stepped one millisecond per loop iteration.
class Connector : public IsolatedLoopback {
protected:
    TestSupport::StreamCapture errors{std::cerr}, out{std::cout};
    FakeClock clock{1000};
    LoopDriver driver{&clock, 1};
    Recorder user;
};

}  // namespace

TEST_F(Connector, RetriesWhileNobodyListensAndConnectsWhenAListenerAppears) {
    Control::ConnectorNet client("127.0.0.1:20001");
    client.Bind(&user);
    ASSERT_TRUE(client.Activate());
    const std::string failure = "fail to connect to 127.0.0.1:20001\n";
    driver.Run(20);
    EXPECT_EQ(1u, Occurrences(errors.str(), failure));
    // Seven short retries a second apart...
    driver.Run(7000);
    EXPECT_EQ(8u, Occurrences(errors.str(), failure));
    // ...then the long delay of a connection that failed on poll().
    driver.Run(14900);
    EXPECT_EQ(8u, Occurrences(errors.str(), failure));
    driver.Run(200);
    EXPECT_EQ(9u, Occurrences(errors.str(), failure));
    EXPECT_EQ(Control::Service::State::Connecting, client.GetState());

    Listener server;
    ASSERT_TRUE(server.Listening());
    driver.Run(15000);
    EXPECT_EQ("connected to 127.0.0.1:20001.\n", out.str());
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(std::vector<std::string>{"connect"}, user.calls);
    EXPECT_EQ("127.0.0.1:20001", client.GetAddr());
    Fd accepted = server.Accept(1000);
    ASSERT_TRUE(accepted.is_valid());
    client.Send("hello", 5);
    char buffer[16];
    EXPECT_EQ(9, ::recv(accepted.lowlevel_fd(), buffer, sizeof buffer, 0));
    client.Deactivate();
}

TEST_F(Connector, ReconnectsTenSecondsAfterTheServerWentAway) {
    Control::ConnectorNet client("127.0.0.1", 20001);
    client.Bind(&user);
    auto server = std::make_unique<Listener>();
    ASSERT_TRUE(client.Activate());
    driver.Run(20);
    ASSERT_TRUE(client.IsConnected());
    {
        Fd accepted = server->Accept(1000);
        ASSERT_TRUE(accepted.is_valid());
        server.reset();
    }
    driver.Run(20);
    EXPECT_EQ((std::vector<std::string>{"connect", "disconnect"}), user.calls);
    EXPECT_EQ(1u, Occurrences(errors.str(), "control connection 127.0.0.1:20001 closed."));
    server = std::make_unique<Listener>();
    driver.Run(9970);
    EXPECT_FALSE(client.IsConnected());
    driver.Run(30);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(2u, Occurrences(out.str(), "connected to 127.0.0.1:20001."));
    client.Deactivate();
    EXPECT_EQ(Control::Service::State::Idle, client.GetState());
    driver.Run(30000);
    EXPECT_EQ(2u, Occurrences(out.str(), "connected to"));
}

TEST_F(Connector, HostThatIsNotANumericAddressIsRefusedWithoutAttempts) {
    Control::ConnectorNet named("gateway.example", 20001);
    EXPECT_FALSE(named.Activate());
    EXPECT_EQ(Control::Service::State::Idle, named.GetState());
    Control::ConnectorNet badPort("127.0.0.1:70000");
    EXPECT_FALSE(badPort.Activate());
    driver.Run(30000);
    EXPECT_EQ(
        "can't connect to gateway.example : not an IPv4 address\n"
        "can't connect to 127.0.0.1:70000 : not an IPv4 address\n",
        errors.str());
}

// Nothing reports a loss for a connection that was never taken over, so the
// client itself must try again.
TEST_F(Connector, ATakeOverShortOfDescriptorsIsTriedAgainASecondLater) {
    Control::ConnectorNet client("127.0.0.1:20001");
    client.Bind(&user);
    auto server = std::make_unique<Listener>();
    ASSERT_TRUE(client.Activate());
    driver.Run(20);
    ASSERT_TRUE(client.IsConnected());
    // Lost, and a retry's timer made and dropped, while descriptors are left:
    // the sanitizers see the path.
    server.reset();
    driver.Run(20);
    Control::Connector<Control::ServiceNet>* connector = &client;
    Timer().set(0, &Control::ConnectorNet::OnTimeout, connector);
    server = std::make_unique<Listener>();
    {
        // The attempt's socket and its watch, whose copy is given back before
        // the take-over: the stack gets one of the two copies it needs.
        DescriptorLimit limit(2);
        driver.Run(Control::ConnectorNet::reconnect_ms);
    }
    EXPECT_TRUE(Contains(errors.str(),
                         "can't take over connection from 127.0.0.1:20001: Too many open files\n"));
    EXPECT_EQ((std::vector<std::string>{"connect", "disconnect"}), user.calls);
    driver.Run(1000);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ((std::vector<std::string>{"connect", "disconnect", "connect"}), user.calls);
    client.Deactivate();
}
