#include <gtest/gtest.h>
#include <sys/socket.h>

#include <fstream>

#include "control/AcceptorUnix.h"
#include "control/ConnectorUnix.h"
#include "control/tests/TransportHarness.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempDir.h"

using namespace TransportTest;

namespace {

class LocalTransport : public PacketLeakCheck {
protected:
    TestSupport::StreamCapture errors{std::cerr}, out{std::cout}, trace{std::clog};
    TestSupport::TempDir dir;
    const std::string path = dir / "ctl";
    // The longest path that fits the socket address.
    const std::string longest =
        dir / std::string(Local::Addr::max_path - 1 - dir.path().size(), 'p');
    Recorder firstUser, secondUser;
};

}  // namespace

TEST_F(LocalTransport, ServesOneClientAtATimeLeavesWhatIsNotASocketAndNeverCutsAPath) {
    std::ofstream(path) << "keep";
    Control::AcceptorUnix server(longest);
    ASSERT_TRUE(server.Activate());
    Control::ConnectorUnix first(longest, dir / "first"), second(longest, path);
    first.Bind(&firstUser);
    second.Bind(&secondUser);
    ASSERT_TRUE(first.Activate());
    ASSERT_TRUE(RunUntil([&] { return server.IsConnected(); }, 2000));
    EXPECT_EQ(dir / "first", server.GetAddr());
    EXPECT_FALSE(Control::AcceptorUnix(path).Activate());
    EXPECT_FALSE(Control::AcceptorUnix(longest + "p").Activate());  // refused, never cut
    ASSERT_TRUE(second.Activate());  // unnamed, accepted, then closed at once
    ASSERT_TRUE(RunUntil([&] { return secondUser.Count("disconnect") == 1; }, 2000));
    const std::string kept =
        "can't bind to domain socket '" + path + "': not a socket, left in place\n";
    EXPECT_EQ(kept + "can't bind to domain socket '" + longest +
                  "p': empty or longer than 107 characters\n" + kept + "refuse connection from \n" +
                  "control connection " + longest + " closed.\n",
              errors.str());
    EXPECT_EQ("keep", TestSupport::ReadFile(path));
    EXPECT_EQ(std::vector<std::string>{"connect"}, firstUser.calls);
}

TEST_F(LocalTransport, ClientRetriesAsTheTcpOneDoesAndReconnectsAfterALoss) {
    FakeClock clock(1000);
    LoopDriver driver(&clock, 1);
    Control::ConnectorUnix client(path);
    client.Bind(&firstUser);
    ASSERT_TRUE(client.Activate());
    const std::string failure = "can't connect to " + path + " : No such file or directory\n";
    driver.Run(7010);  // the first attempt and seven short retries
    EXPECT_EQ(8u, Occurrences(errors.str(), failure));
    driver.Run(19980);
    EXPECT_EQ(8u, Occurrences(errors.str(), failure));
    Control::AcceptorUnix server(path);
    ASSERT_TRUE(server.Activate());
    driver.Run(30);
    ASSERT_TRUE(client.IsConnected());

    server.Deactivate();  // the live connection goes with it; the socket file stays
    driver.Run(20);
    ASSERT_TRUE(server.Activate());  // over its own stale socket file
    driver.Run(9960);
    EXPECT_FALSE(client.IsConnected());
    driver.Run(30);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ((std::vector<std::string>{"connect", "disconnect", "connect"}), firstUser.calls);
}
