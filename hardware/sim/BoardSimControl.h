// The simulated board's control socket, for tests that run the daemon as a
// process: a Unix stream socket served on the daemon's own main loop, where
// each request line (Sim::Command) gets one reply line. When accept() finds
// no descriptor or memory, accepting rests (AcceptPause), with one line; a
// socket that cannot be made or watched for want of them is made again every
// retry_ms, as the controller's listener is.
#pragma once

#include "runtime/AcceptPause.h"
#include "runtime/Event.h"
#include "runtime/Timer.h"

#include <memory>
#include <string>
#include <vector>

namespace Board {

class Sim;

class SimControl {
public:
    static constexpr unsigned retry_ms = 5000;

    // Listens at path (an old socket file there is replaced); a failure is
    // reported on std::cerr and leaves the control closed, until the retry
    // when descriptors or memory were short.
    SimControl(Sim& sim, const std::string& path);
    ~SimControl();
    SimControl(const SimControl&) = delete;
    SimControl& operator=(const SimControl&) = delete;

    bool IsListening() const { return listener.IsActive(); }
    // Makes the socket while none listens: at start, and again by the retry.
    void Open();
    // The clients being heard.
    std::size_t Clients() const { return clients.size(); }

private:
    class Client;

    // 0 once the socket listens and is watched, otherwise why not.
    int Listen();
    void OnAccept(int fd, short revents);
    // Called by a client from its own event handler, which returns at once.
    void Drop(Client* client);

    Sim& sim;
    const std::string path;
    Event listener;
    AcceptPause acceptPause{listener};
    // Makes the socket again after a shortage.
    Timer retry;
    std::vector<std::unique_ptr<Client>> clients;
};

}  // namespace Board
