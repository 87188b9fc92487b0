// The simulated board's control socket, for tests that run the daemon as a
// process: a Unix stream socket served on the daemon's own main loop, where
// each request line (Sim::Command) gets one reply line. When accept() finds
// no descriptor or memory, accepting rests (AcceptPause), with one line; a
// socket that cannot be made or watched for want of them is made again every
// retry_ms, as the controller's listener is. The socket file is the control's
// own: only an old socket at the path gives way to it, and it goes when the
// control does.
#pragma once

#include "runtime/AcceptPause.h"
#include "runtime/Event.h"
#include "runtime/Timer.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Board {

class Sim;

class SimControl {
public:
    static constexpr unsigned retry_ms = 5000;

    // Listens at path. A socket already there (left by an earlier run) is
    // replaced; anything else there is the user's and is left as it is, and
    // the control stays closed. A failure is reported on std::cerr and leaves
    // the control closed, until the retry when descriptors or memory were
    // short.
    SimControl(Sim& sim, const std::string& path);
    // Removes the socket file, as RemoveSocket does.
    ~SimControl();
    SimControl(const SimControl&) = delete;
    SimControl& operator=(const SimControl&) = delete;

    bool IsListening() const { return listener.IsActive(); }
    // Makes the socket while none listens: at start, and again by the retry.
    void Open();
    // The clients being heard.
    std::size_t Clients() const { return clients.size(); }
    // Removes the socket file this process bound, while the path still names
    // that very socket (same device and inode): a file put in its place
    // since stays, and in a process forked from this one nothing goes. For
    // the daemon's exit as well, which never destroys the control.
    void RemoveSocket();

private:
    class Client;

    // Listen's answer when the path names something other than a socket.
    static constexpr int notSocket = -1;

    // 0 once the socket listens and is watched, otherwise why not: an error
    // number, or notSocket.
    int Listen();
    // Binds socket to the path, replacing only an old socket there, and
    // records the file made; 0 or as Listen.
    int Bind(int socket);
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
    // The socket file bound at the path, while there is one to remove.
    struct Bound {
        pid_t pid = 0;  // 0: none
        dev_t device = 0;
        ino_t inode = 0;
    } bound;
};

}  // namespace Board
