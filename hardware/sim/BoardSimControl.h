// The simulated board's control socket, for tests that run the daemon as a
// process: a Unix stream socket served on the daemon's own main loop, where
// each request line (Sim::Command) gets one reply line. When accept() finds
// no descriptor or memory, accepting rests (AcceptPause), with one line.
#pragma once

#include "runtime/AcceptPause.h"
#include "runtime/Event.h"

#include <memory>
#include <string>
#include <vector>

namespace Board {

class Sim;

class SimControl {
public:
    // Listens at path (an old socket file there is replaced); a failure is
    // reported on std::cerr and leaves the control closed.
    SimControl(Sim& sim, const std::string& path);
    ~SimControl();
    SimControl(const SimControl&) = delete;
    SimControl& operator=(const SimControl&) = delete;

    bool IsListening() const { return listener.IsActive(); }
    // The clients being heard.
    std::size_t Clients() const { return clients.size(); }

private:
    class Client;

    void OnAccept(int fd, short revents);
    // Called by a client from its own event handler, which returns at once.
    void Drop(Client* client);

    Sim& sim;
    Event listener;
    AcceptPause acceptPause{listener};
    std::vector<std::unique_ptr<Client>> clients;
};

}  // namespace Board
