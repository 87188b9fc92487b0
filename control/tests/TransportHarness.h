// Test support for the controller link: a user that records what a transport
// tells it, a plain blocking TCP peer, the main loop run in real time until a
// condition holds (short of descriptors: runtime/tests/ShortOfDescriptors.h),
// and a server fixture with one peer connected.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "control/ControlNotify.h"
#include "control/CtrlSrvServer.h"
#include "runtime/Fd.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/PacketLeakCheck.h"
#include "runtime/tests/ShortOfDescriptors.h"
#include "tests/e2e/LgcpWire.h"
#include "tests/support/DescriptorLimit.h"
#include "tests/support/Isolation.h"

namespace TransportTest {

constexpr std::uint16_t port = 20001;

// Cases with real sockets: a private network namespace with its own loopback,
// and every packet buffer back in the pool at the end.
class IsolatedLoopback : public PacketLeakCheck {
protected:
    void SetUp() override {
        PacketLeakCheck::SetUp();
        HALVOX_ISOLATE();
    }
};

// Runs the main loop (waking at least every 5 ms) until done() holds or
// limitMs of real time have passed; returns done().
bool RunUntil(const std::function<bool()>& done, unsigned limitMs);
// Runs the main loop for ms of real time.
void RunFor(unsigned ms);

using TestSupport::DescriptorLimit;

bool Contains(const std::string& text, const std::string& part);
unsigned Occurrences(const std::string& text, const std::string& part);

using Lgcp::Frame;

struct Recorder : Control::Notify {
    void OnConnect() override { calls.push_back("connect"); }
    void OnDisconnect() override { calls.push_back("disconnect"); }
    void OnMessage(const char* data, int length) override {
        messages.emplace_back(data, data + length);
        if (onMessage) onMessage(messages.back());
    }
    unsigned Count(const std::string& call) const;

    std::vector<std::string> calls;
    std::vector<std::string> messages;
    std::function<void(const std::string&)> onMessage;
};

// A plain TCP peer on the loopback address.
class Peer {
public:
    // Connects (blocking) to 127.0.0.1:port; Connected() tells whether it did.
    // A receiveBuffer above 0 is set as SO_RCVBUF before connecting, so that
    // the window the server sees is that small.
    explicit Peer(std::uint16_t toPort = port, int receiveBuffer = 0);
    bool Connected() const { return connected; }
    void Write(const std::string& octets);
    // What has arrived by now, without waiting.
    std::string ReadAvailable();
    // True when the connection was closed by the other side: a read returns
    // end of file (or a reset) within limitMs, the loop running meanwhile.
    // What was read on the way is appended to received, if given.
    bool SeesClose(unsigned limitMs, std::string* received = nullptr);
    // The daemon-side descriptor of this connection in this process.
    int ServerSide() const;
    int fd() const { return sock.lowlevel_fd(); }
    void Close() { sock.close(); }

private:
    Fd sock;
    bool connected = false;
};

// A listening socket that accepts by hand.
class Listener {
public:
    explicit Listener(std::uint16_t onPort = port);
    bool Listening() const { return sock.is_valid(); }
    // Accepts one pending connection, waiting at most limitMs with the loop running.
    Fd Accept(unsigned limitMs);
    void Close() { sock.close(); }

private:
    Fd sock;
};

// A controller server (its own, or the daemon's) on the port, its services
// bound in the order given, and a peer connected to it. The services are
// unbound at the end, so none keeps pointing at a server that is gone.
class ServerLink : public IsolatedLoopback {
protected:
    ServerLink() : server(own) {}
    explicit ServerLink(CtrlSrv::Server& daemons) : server(daemons) {}
    void Start(std::initializer_list<CtrlSrv::Service*> services);
    void TearDown() override;
    bool Connected() const;
    // The frames the peer has received by now, described.
    std::vector<std::string> Answers() { return Lgcp::DescribeFrames(peer.ReadAvailable()); }
    // Sends one body, runs the loop for 50 ms and returns the answers.
    std::vector<std::string> Exchange(const std::string& body);

    CtrlSrv::Server own;
    CtrlSrv::Server& server;
    std::vector<CtrlSrv::Service*> bound;
    Peer peer{0};
};

}  // namespace TransportTest
