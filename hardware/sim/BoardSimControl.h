// The simulated board's control socket, for tests that run the daemon as a
// process: a Unix stream socket served on the daemon's own main loop, where
// each request line (Sim::Command) gets one reply line. When accept() finds
// no descriptor or memory, accepting rests (AcceptPause), with one line; a
// socket that cannot be made or watched for want of them is made again every
// retry_ms, as the controller's listener is. The socket file is the control's
// own: only a socket nobody listens on gives way to it, and it goes when the
// control does, or when the control cannot serve it.
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

    // Listens at path. A socket already there that refuses a connection
    // (left by an earlier run) is replaced; anything else there, a socket
    // another process listens on included, is left as it is, and the
    // control stays closed. A failure is reported on std::cerr and leaves
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
    // Removes the socket file bound, while the path still names that very
    // socket (same device and inode): a file put in its place since stays,
    // and in a process other than the board's owner (Sim::Owner) nothing
    // goes. For the daemon's exit as well, which never destroys the control.
    void RemoveSocket();

private:
    class Client;

    // Listen's answers when the path names something that is not the
    // control's to replace: not a socket, or a socket another process
    // listens on.
    static constexpr int notSocket = -1;
    static constexpr int liveSocket = -2;

    // 0 once the socket listens and is watched, otherwise why not: an error
    // number, notSocket or liveSocket. A socket made but not served goes.
    int Listen();
    // Binds socket to the path, replacing only a socket nobody listens on,
    // and records the file made; 0 or as Listen.
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
        bool made = false;
        dev_t device = 0;
        ino_t inode = 0;
    } bound;
};

}  // namespace Board
