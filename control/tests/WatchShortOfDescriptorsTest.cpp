// Each place of the control transports that watches a socket it made checks
// that the watch could have its own copy: short of descriptors it fails as
// when the socket cannot be made, with one line naming the error, and never
// goes on with a socket nobody hears.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "control/ConnectorNet.h"
#include "control/TPKTTracer.h"
#include "control/tests/TransportHarness.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"

using namespace TransportTest;

namespace {

class Watches : public IsolatedLoopback {};

}  // namespace

TEST_F(Watches, AWatchThatCannotCopyItsSocketFailsWhereItIsMade) {
    FakeClock clock(1000);
    LoopDriver driver(&clock, 1);
    Recorder user;
    Listener server;
    ASSERT_TRUE(server.Listening());
    Control::ConnectorNet client("127.0.0.1:20001");
    client.Bind(&user);
    TPKTTracer tracer;
    const std::uint16_t tracerPort = port + 1;
    const struct {
        const char* what;
        // Run with only the socket's own descriptor left to make; false when it failed.
        std::function<bool()> start;
        const char* line;
        // With descriptors back: true once the place works again.
        std::function<bool()> recovered;
    } rows[] = {
        // A pending attempt nobody would hear end is a refused one, tried again a second later.
        {"client", [&] { return client.Activate() && client.IsConnected(); },
         "can't connect to 127.0.0.1:20001 : Too many open files\n",
         [&] {
             driver.Run(1020);  // the retry a second later, and its connection
             return client.IsConnected() && server.Accept(1000).is_valid();
         }},
        {"trace fan-out", [&] { return tracer.Listen(tracerPort); },
         "can't watch ACP socket: Too many open files\n",
         [&] {
             TestSupport::StreamCapture trace(std::clog);
             if (!tracer.Listen(tracerPort)) return false;
             Peer viewer(tracerPort);
             return viewer.Connected() &&
                    RunUntil([&] { return Contains(trace.str(), "ACP connection open"); }, 2000);
         }},
    };
    // A line with an address written and a retry's timer made while
    // descriptors are left: the sanitizers see the path.
    {
        TestSupport::StreamCapture quiet(std::cerr);
        std::cerr << INet4::Addr() << std::endl;
        Control::Connector<Control::ServiceNet>* connector = &client;
        Timer().set(0, &Control::ConnectorNet::OnTimeout, connector);
    }
    for (const auto& row : rows) {
        TestSupport::StreamCapture errors(std::cerr);
        bool started;
        {
            DescriptorLimit limit(1);
            started = row.start();
        }
        EXPECT_FALSE(started) << row.what;
        EXPECT_EQ(row.line, errors.str()) << row.what;
        EXPECT_TRUE(row.recovered()) << row.what;
    }
    client.Deactivate();
}
