#include "hardware/sim/BoardSimControl.h"

#include "hardware/sim/BoardSim.h"
#include "runtime/Errno.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace Board {

namespace {

// A request line longer than this is not a control line: the client is dropped.
constexpr std::size_t maxLine = 1024;

}  // namespace

class SimControl::Client {
public:
    // Takes fd, which goes when this returns: the watch keeps its copy.
    Client(SimControl& owner, int fd) : owner(owner) {
        event.Bind<Client>("board-sim control", &Client::OnEvent, this);
        heard = Watch(event, Fd(fd), POLLIN);
    }
    // False when the watch could not copy the socket: nothing would read the
    // client's lines, and it has already seen its connection close.
    bool Heard() const { return heard; }

    void OnEvent(int fd, short) {
        char buffer[512];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (n <= 0) return owner.Drop(this);
        pending.append(buffer, std::size_t(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::string reply = owner.sim.Command(line) + '\n';
            if (::send(fd, reply.data(), reply.size(), MSG_DONTWAIT | MSG_NOSIGNAL) !=
                ssize_t(reply.size()))
                return owner.Drop(this);
        }
        if (pending.size() > maxLine) owner.Drop(this);
    }

private:
    SimControl& owner;
    Event event;
    std::string pending;
    bool heard = false;
};

SimControl::SimControl(Sim& sim, const std::string& path) : sim(sim) {
    listener.Bind<SimControl>("board-sim listener", &SimControl::OnAccept, this);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    Fd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    bool ok = socket && path.size() < sizeof address.sun_path;
    if (ok) {
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        ::unlink(path.c_str());
        ok = ::bind(socket.lowlevel_fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) ==
                 0 &&
             ::listen(socket.lowlevel_fd(), 8) == 0;
    } else if (socket) {
        errno = ENAMETOOLONG;
    }
    // A listener nobody watches would queue clients nobody hears.
    if (ok && Watch(listener, socket, POLLIN)) return;
    Errno e;
    std::cerr << "board-sim: control socket " << path << ": " << e << std::endl;
}

SimControl::~SimControl() = default;

void SimControl::OnAccept(int fd, short) {
    int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return;
    auto made = std::make_unique<Client>(*this, client);
    if (made->Heard()) clients.push_back(std::move(made));
}

void SimControl::Drop(Client* client) {
    auto it =
        std::find_if(clients.begin(), clients.end(),
                     [client](const std::unique_ptr<Client>& c) { return c.get() == client; });
    if (it != clients.end()) clients.erase(it);
}

}  // namespace Board
