#include "hardware/sim/BoardSimControl.h"

#include "hardware/sim/BoardSim.h"
#include "runtime/Errno.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
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
        heard = Watch(event, Fd(fd), POLLIN) == 0;
    }
    // False when the watch could not copy the socket: nothing would read the
    // client's lines, and it has already seen its connection close.
    bool Heard() const { return heard; }

    // A reply the socket cannot take whole is kept with the lines after it,
    // and the client is not read again until the socket has taken it: the
    // kernel's buffer holds what the client sends meanwhile, so what waits
    // here stays within one read and one line.
    // A client that has ended its lines is dropped once its replies are out.
    void OnEvent(int fd, short) {
        if (!(unsent.empty() ? Receive(fd) : Send(fd)) || !Run(fd) || (ended && unsent.empty()))
            return owner.Drop(this);
        event.SetEvents(unsent.empty() ? POLLIN : POLLOUT);
    }

private:
    // False when the connection failed.
    bool Receive(int fd) {
        char buffer[512];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0) return errno == EAGAIN || errno == EINTR;
        pending.Add(buffer, std::size_t(n));
        ended = n == 0;
        return true;
    }

    // False when the client has gone.
    bool Send(int fd) {
        ssize_t n = ::send(fd, unsent.data(), unsent.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) return errno == EAGAIN || errno == EINTR;
        unsent.erase(0, std::size_t(n));
        return true;
    }

    // Runs the whole lines received while each reply goes out at once, and
    // once the client has ended its lines, a last one it ended without its
    // newline. False when the client has gone or sends a line longer than a
    // control line.
    bool Run(int fd) {
        auto last = [this](std::string& line) {
            return ended && pending.Pending() <= maxLine && pending.TakeRest(line);
        };
        for (std::string line; unsent.empty() && (pending.Take(line) || last(line));) {
            unsent = owner.sim.Command(line) + '\n';
            if (!Send(fd)) return false;
        }
        return !unsent.empty() || pending.Pending() <= maxLine;
    }

    SimControl& owner;
    Event event;
    // Received, not yet run; while a reply waits, no more than one read
    // brought after the line of that reply.
    LineSplitter pending;
    // The rest of the reply the socket did not take.
    std::string unsent;
    bool heard = false;
    // The client has shut its sending side: no more lines come.
    bool ended = false;
};

SimControl::SimControl(Sim& sim, const std::string& path) : sim(sim), path(path) {
    listener.Bind<SimControl>("board-sim listener", &SimControl::OnAccept, this);
    Open();
}

int SimControl::Listen() {
    Fd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket) return errno;
    if (int failure = Bind(socket.lowlevel_fd())) return failure;
    // A listener nobody watches would queue clients nobody hears.
    int failure = ::listen(socket.lowlevel_fd(), 8) < 0 ? errno : Watch(listener, socket, POLLIN);
    // The retry, if any, makes the file again.
    if (failure) RemoveSocket();
    return failure;
}

int SimControl::Bind(int socket) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return ENAMETOOLONG;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const auto bindPath = [&] {
        const auto* name = reinterpret_cast<const sockaddr*>(&address);
        return ::bind(socket, name, sizeof address) < 0 ? errno : 0;
    };
    int failure = bindPath();
    // Something is at the path. A socket that refuses a connection is taken
    // for one an earlier run left, which nothing else would remove; anything
    // else, a symbolic link or a socket another process serves included,
    // belongs to whoever put it there. A listener whose queue is full
    // answers EAGAIN, and one that cannot be asked keeps its socket too.
    struct stat there;
    if (failure == EADDRINUSE && ::lstat(path.c_str(), &there) == 0) {
        if (!S_ISSOCK(there.st_mode)) return notSocket;
        Fd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!probe) return errno;
        const auto* name = reinterpret_cast<const sockaddr*>(&address);
        if (::connect(probe.lowlevel_fd(), name, sizeof address) == 0 || errno == EAGAIN)
            return liveSocket;
        if (errno != ECONNREFUSED) return errno;
        ::unlink(path.c_str());
        failure = bindPath();
    }
    if (failure) return failure;
    // The file's identity, so that only this very socket is removed later.
    if (::lstat(path.c_str(), &there) == 0) bound = Bound{true, there.st_dev, there.st_ino};
    return 0;
}

void SimControl::Open() {
    const int result = Listen();
    if (!result) return;
    std::cerr << "board-sim: control socket " << path << ": ";
    // Not retried: the file stays until its owner moves it, so a retry
    // would only repeat this line every retry_ms; and a control socket that
    // turned up later, at a path the user had taken for something else,
    // would surprise more than one that never came.
    if (result == notSocket || result == liveSocket) {
        std::cerr << (result == notSocket ? "exists and is not a socket"
                                          : "is a socket another process listens on")
                  << ", left as it is" << std::endl;
        return;
    }
    const Errno failure(result);
    std::cerr << failure;
    if (failure.IsShortage()) {
        std::cerr << ", trying again in " << retry_ms << " ms";
        retry.set(retry_ms, &SimControl::Open, this);
    }
    std::cerr << std::endl;
}

SimControl::~SimControl() { RemoveSocket(); }

void SimControl::RemoveSocket() {
    if (!bound.made || sim.Owner() != ::getpid()) return;
    struct stat there;
    if (::lstat(path.c_str(), &there) == 0 && S_ISSOCK(there.st_mode) &&
        there.st_dev == bound.device && there.st_ino == bound.inode)
        ::unlink(path.c_str());
    bound = Bound{};
}

void SimControl::OnAccept(int fd, short) {
    int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) {
        // The client stays queued and the listener readable: watched on, it
        // would spin the loop until descriptors came back.
        const Errno failure;
        if (!failure.IsShortage()) return;
        std::cerr << "board-sim: can't accept connection: " << failure << ", accepting again in "
                  << AcceptPause::pause_ms << " ms" << std::endl;
        return acceptPause.Begin();
    }
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
