// Test support for the transports: a user that records what a transport
// tells it, a plain blocking TCP peer, and the main loop run in real time
// until a condition holds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "control/ControlNotify.h"
#include "runtime/Fd.h"
#include "runtime/tests/PacketLeakCheck.h"
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

bool Contains(const std::string& text, const std::string& part);
unsigned Occurrences(const std::string& text, const std::string& part);

// "03 00 00 06 " + body, as one string of octets.
std::string Frame(const std::string& body);

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
    explicit Peer(std::uint16_t toPort = port);
    bool Connected() const { return connected; }
    void Write(const std::string& octets);
    // What has arrived by now, without waiting.
    std::string ReadAvailable();
    // True when the connection was closed by the other side: a read returns
    // end of file (or a reset) within limitMs, the loop running meanwhile.
    bool SeesClose(unsigned limitMs);
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

}  // namespace TransportTest
