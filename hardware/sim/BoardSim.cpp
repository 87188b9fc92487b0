#include "hardware/sim/BoardSim.h"

#include "hardware/sim/BoardSimDsproc.h"
#include "hardware/sim/BoardSimE1Cas.h"
#include "hardware/sim/BoardSimHal.h"
#include "hardware/sim/BoardSimMaintenance.h"
#include "hardware/sim/BoardSimMcc.h"
#include "hardware/sim/BoardSimMixer.h"
#include "hardware/sim/BoardSimTonec.h"
#include "hardware/sim/BoardSimVoice.h"
#include "hardware/DevNames.h"
#include "runtime/Errno.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Board {

struct Sim::Open {
    Open(SimDevice& device, int flags, unsigned id, int driverEnd)
        : view(device, flags, id, driverEnd), end(driverEnd) {}

    SimOpen view;
    Fd end;
    // The daemon's end, recognised through any dup of it.
    dev_t dev = 0;
    ino_t ino = 0;
};

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

std::ostream& Hex(std::ostream& os, unsigned long value) {
    return os << "0x" << std::hex << value << std::dec;
}

}  // namespace

// What was taken goes before the text grows, so each octet moves at most
// twice: a line that many reads bring stays at the front until it is whole.
void LineSplitter::Add(const char* data, std::size_t length) {
    text.erase(0, start);
    scanned -= start;
    start = 0;
    text.append(data, length);
}

bool LineSplitter::Take(std::string& line) {
    const std::size_t end = text.find('\n', scanned);
    if (end == std::string::npos) {
        scanned = text.size();
        return false;
    }
    line.assign(text, start, (end > start && text[end - 1] == '\r' ? end - 1 : end) - start);
    start = scanned = end + 1;
    return true;
}

bool LineSplitter::TakeRest(std::string& line) {
    if (!Pending()) return false;
    line.assign(text, start, std::string::npos);
    start = scanned = text.size();
    return true;
}

Sim::Sim() : owner(::getpid()) {
    models.push_back(std::make_unique<SimHal>());
    models.push_back(std::make_unique<SimTonec>());
    models.push_back(std::make_unique<SimDsproc>());
    models.push_back(std::make_unique<SimMcc>());
    models.push_back(std::make_unique<SimMaintenance>());
    models.push_back(std::make_unique<SimE1Cas>());
    models.push_back(std::make_unique<SimMixer>());
    models.push_back(std::make_unique<SimVoice>());
}

Sim::~Sim() = default;

void Sim::TakeOver() { owner = ::getpid(); }

SimDevice* Sim::Device(const std::string& path) const {
    for (const auto& m : models)
        if (m->Path() == path) return m.get();
    return nullptr;
}

std::unique_ptr<SimDevice> Sim::Replace(std::unique_ptr<SimDevice> device) {
    for (auto& m : models)
        if (m->Path() == device->Path()) {
            m.swap(device);
            return device;
        }
    Add(std::move(device));
    return nullptr;
}

int Sim::Result(int result) {
    if (result >= 0) return result;
    errno = -result;
    return -1;
}

int Sim::TakeFault(const std::string& path, Fault::Kind kind, unsigned long request,
                   const void* argument) {
    for (auto f = faults.begin(); f != faults.end(); ++f) {
        if (f->path != path || f->kind != kind ||
            (kind == Fault::OnRequest &&
             (f->request != request || (f->matches && !f->matches(argument)))))
            continue;
        int error = f->error;
        if (f->once) faults.erase(f);
        return error;
    }
    return 0;
}

void Sim::FailOpen(const std::string& path, int error, bool once) {
    faults.push_back({path, Fault::OnOpen, 0, error, once});
}

void Sim::FailRequest(const std::string& path, unsigned long request, int error, bool once,
                      Match matches) {
    faults.push_back({path, Fault::OnRequest, request, error, once, std::move(matches)});
}

void Sim::FailRead(const std::string& path, int error, bool once) {
    faults.push_back({path, Fault::OnRead, 0, error, once});
}

void Sim::ClearFaults() { faults.clear(); }

void Sim::Sweep() {
    for (auto o = opens.begin(); o != opens.end();) {
        pollfd p{(*o)->end.lowlevel_fd(), 0, 0};
        if (::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP)) {
            (*o)->view.device.OnClose((*o)->view);
            o = opens.erase(o);
        } else {
            ++o;
        }
    }
}

Sim::Open* Sim::Find(int fd) {
    struct stat st;
    if (::fstat(fd, &st) < 0) return nullptr;
    for (const auto& o : opens)
        if (o->dev == st.st_dev && o->ino == st.st_ino) return o.get();
    errno = ENOTTY;
    return nullptr;
}

unsigned Sim::OpenCount(const std::string& path) {
    Sweep();
    unsigned count = 0;
    for (const auto& o : opens)
        if (o->view.device.Path() == path) ++count;
    return count;
}

int Sim::Attach(SimDevice& device, int flags) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) < 0) return -1;
    auto o = std::make_unique<Open>(device, flags, nextId, ends[1]);
    struct stat st;
    int result = -1;
    if (NonBlockMode(ends[1]) && (!(flags & O_NONBLOCK) || NonBlockMode(ends[0])) &&
        ::fstat(ends[0], &st) == 0) {
        o->dev = st.st_dev;
        o->ino = st.st_ino;
        result = Result(device.OnOpen(o->view));
    }
    if (result < 0) {
        Errno e;
        ::close(ends[0]);
        errno = e.value();
        return -1;
    }
    ++nextId;
    opens.push_back(std::move(o));
    return ends[0];
}

int Sim::open(const char* path, int flags) {
    Sweep();
    int result = -1;
    SimDevice* device = Device(path);
    if (!device)
        errno = ENOENT;
    else if (int error = TakeFault(path, Fault::OnOpen, 0))
        errno = error;
    else
        result = Attach(*device, flags);
    if (logging) {
        Errno e;
        std::clog << "board-sim: open " << path << " -> " << result;
        if (result < 0) std::clog << " (" << e << ")";
        std::clog << std::endl;
        errno = e.value();
    }
    return result;
}

int Sim::Request(int fd, unsigned long request, const void* argument, const char* what,
                 const std::function<int(SimOpen&)>& call) {
    int result = -1;
    Open* o = Find(fd);
    if (o) {
        if (int error = TakeFault(o->view.device.Path(), Fault::OnRequest, request, argument))
            errno = error;
        else
            result = Result(call(o->view));
    }
    if (logging) {
        Errno e;
        std::clog << "board-sim: " << what << ' ' << (o ? o->view.device.Path().c_str() : "?")
                  << ' ';
        Hex(std::clog, request) << " -> " << result;
        if (result < 0) std::clog << " (" << e << ")";
        std::clog << std::endl;
        errno = e.value();
    }
    return result;
}

int Sim::ioctl(int fd, unsigned long request, void* record) {
    return Request(fd, request, record, "ioctl",
                   [&](SimOpen& o) { return o.device.OnIoctl(o, request, record); });
}

int Sim::ioctlValue(int fd, unsigned long request, unsigned long value) {
    return Request(fd, request, &value, "ioctl",
                   [&](SimOpen& o) { return o.device.OnIoctlValue(o, request, value); });
}

// What the models delivered waits in the daemon's own end.
ssize_t Sim::read(int fd, void* buffer, std::size_t length) {
    if (Open* o = Find(fd))
        if (int error = TakeFault(o->view.device.Path(), Fault::OnRead, 0)) {
            errno = error;
            return -1;
        }
    return ::read(fd, buffer, length);
}

ssize_t Sim::write(int fd, const void* data, std::size_t length) {
    Open* o = Find(fd);
    if (!o) return -1;
    ssize_t result = o->view.device.OnWrite(o->view, data, length);
    if (result == -EAGAIN) o->view.Block(fd);
    if (logging)
        std::clog << "board-sim: write " << o->view.device.Path() << ' ' << length << " -> "
                  << result << std::endl;
    if (result >= 0) return result;
    errno = int(-result);
    return -1;
}

unsigned Sim::EchoBusMask() {
    auto* hal = dynamic_cast<SimHal*>(Device(GetHalDevName()));
    return hal ? hal->EchoMask() : 0;
}

void Sim::Reset() {
    ClearFaults();
    logging = false;
    for (const auto& m : models) m->Reset();
}

// A device path starts with '/', which no verb of the simulation does.
std::string Sim::Command(const std::string& line) {
    static const SimVerbs<Sim> verbs{
        {"log", &Sim::CmdLog},
        {"reset", &Sim::CmdReset},
        {"fail", &Sim::CmdFail},
        {"opens", &Sim::CmdOpens},
    };
    std::vector<std::string> w = Words(line);
    if (w.empty()) return "error: empty line";
    if (SimDevice* device = Device(w[0])) {
        Sweep();
        return device->OnCommand(std::vector<std::string>(w.begin() + 1, w.end()));
    }
    return verbs.Answer(*this, w);
}

SimReply Sim::CmdLog(const SimArgs& args) {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) return std::nullopt;
    SetLogging(args[0] == "on");
    return "ok";
}

SimReply Sim::CmdReset(const SimArgs& args) {
    if (!args.empty()) return std::nullopt;
    Reset();
    return "ok";
}

// "fail clear", "fail open|read PATH ERRNO [once]" or "fail PATH REQUEST ERRNO [once]".
SimReply Sim::CmdFail(const SimArgs& args) {
    if (args.size() == 1 && args[0] == "clear") {
        ClearFaults();
        return "ok";
    }
    if (args.size() != 3 && !(args.size() == 4 && args[3] == "once")) return std::nullopt;
    const bool once = args.size() == 4;
    int error = 0;
    if (!SimDevice::ParseErrno(args[2], error)) return "error: bad errno " + args[2];
    if (args[0] == "open" || args[0] == "read") {
        if (!Device(args[1])) return "error: no device " + args[1];
        if (args[0] == "open")
            FailOpen(args[1], error, once);
        else
            FailRead(args[1], error, once);
        return "ok";
    }
    long request = 0;
    if (!Device(args[0])) return "error: no device " + args[0];
    if (!SimDevice::ParseNumber(args[1], request, 0, UINT32_MAX))
        return "error: bad request " + args[1];
    FailRequest(args[0], static_cast<unsigned long>(request), error, once);
    return "ok";
}

SimReply Sim::CmdOpens(const SimArgs& args) {
    if (args.size() != 1) return std::nullopt;
    if (!Device(args[0])) return "error: no device " + args[0];
    return std::to_string(OpenCount(args[0]));
}

// Only a regular file is read: a FIFO would hold the start-up in its open or
// its reads until a writer came, and a device may never end.
bool Sim::RunFile(const std::string& path) {
    auto cantRead = [&path](const Errno& e) {
        std::cerr << "board-sim: can't read " << path << ": " << e << std::endl;
        return false;
    };
    Fd file;
    if (!file.OpenRegular(path.c_str(), O_RDONLY)) return cantRead(Errno());
    unsigned number = 0;
    auto run = [&](const std::string& line) {
        ++number;
        // Blank and comment lines are told by their first word's first octet
        // alone, so a long comment is not cut into words for nothing.
        const std::size_t first = line.find_first_not_of(" \t\n\v\f\r");
        if (first == std::string::npos || line[first] == '#') return;
        std::string reply = Command(line);
        if (reply.compare(0, 6, "error:") == 0)
            std::cerr << "board-sim: " << path << ':' << number << ": " << reply << std::endl;
    };
    // A line is as long as it is: lines are taken whole, however many reads bring one.
    LineSplitter lines;
    std::string line;
    char buffer[4096];
    for (ssize_t n; (n = ::read(file.lowlevel_fd(), buffer, sizeof buffer)) != 0;) {
        if (n < 0) return cantRead(Errno());
        lines.Add(buffer, std::size_t(n));
        while (lines.Take(line)) run(line);
    }
    if (lines.TakeRest(line)) run(line);
    return true;
}

}  // namespace Board
