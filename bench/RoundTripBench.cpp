// Round trips to the running daemon as a controller sees them, with redis-server beside it
// when it is installed: one client writes one ping, or a hundred in one write, and reads
// every answer. An answer counts only as the success of the next ping, by its sequence
// number, read with the end-to-end tests' own coder; the signals the daemon sends on its
// own (line status on the board) are skipped, and any other answer ends the case with an
// error. The daemon runs without the board and, where it is built in, on the simulated
// board; each daemon case reports the daemon's resident memory when it is done, and (with
// gdb) the packet buffers it ever touched. Everything runs in private mount and network
// namespaces on their own loopback, so the machine's port and files are never touched.
// HALVOXD_BASELINE names another daemon binary (an earlier build) to run beside this one
// in the same run. Pin the whole run to one CPU to compare like with like:
//     HALVOXD_BASELINE=/path/to/old/halvoxd taskset -c 3 build/bench/bench_roundtrip
#include "tests/e2e/LgcpWire.h"
#include "tests/support/Isolation.h"

#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

enum class Kind { halvoxd, halvoxdSim, redis, baseline };

#ifdef HALVOX_BOARD_SIM
constexpr bool kSimulation = true;
#else
// A daemon built without the simulation refuses HALVOXD_BOARD=sim: its cases skip.
constexpr bool kSimulation = false;
#endif

// One server process and a client connection to it.
struct Server {
    pid_t pid = -1;
    int client = -1;
};

// Connects to the loopback port, waiting up to five seconds for the server to listen.
int Connect(std::uint16_t port) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            return fd;
        }
        ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

pid_t Spawn(std::vector<std::string> args, bool board) {
    pid_t pid = ::fork();
    if (pid != 0) return pid;
    int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 1);
    ::dup2(null, 2);
    if (board)
        ::setenv("HALVOXD_BOARD", "sim", 1);
    else
        ::unsetenv("HALVOXD_BOARD");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

// The servers, started once for the whole run and stopped at its end.
class Servers {
public:
    static Servers& get() {
        static Servers servers;
        return servers;
    }

    // The server's connection, or null with the reason.
    Server* find(Kind kind, std::string& why) {
        if (!isolated_) return why = "cannot isolate: " + why_, nullptr;
        Server& server = servers_[int(kind)];
        if (server.client >= 0) return &server;
        why = kind == Kind::redis      ? "redis-server is not installed or did not start"
              : kind == Kind::baseline ? "HALVOXD_BASELINE names no daemon that starts"
              : kind == Kind::halvoxdSim && !kSimulation ? "the simulated board is not built in"
                                                         : "halvoxd did not start";
        return nullptr;
    }

private:
    Servers() {
        isolated_ = TestSupport::EnterPrivateNamespaces(why_);
        for (const char* dir : {"/var/run", "/var/log", "/usr/local/etc"})
            isolated_ = isolated_ && TestSupport::MountTmpfs(dir, why_);
        if (!isolated_) return;
        start(Kind::halvoxd, {HALVOXD_PATH, "--port", "20001"}, false, 20001);
        if (kSimulation) start(Kind::halvoxdSim, {HALVOXD_PATH, "--port", "20002"}, true, 20002);
        start(Kind::redis, {"redis-server", "--port", "6379", "--save", "", "--appendonly", "no"},
              false, 6379);
        if (const char* baseline = std::getenv("HALVOXD_BASELINE"))
            start(Kind::baseline, {baseline, "--port", "20003"}, false, 20003);
    }
    ~Servers() {
        for (Server& server : servers_) {
            if (server.client >= 0) ::close(server.client);
            if (server.pid > 0) {
                ::kill(server.pid, SIGTERM);
                ::waitpid(server.pid, nullptr, 0);
            }
        }
    }

    void start(Kind kind, std::vector<std::string> args, bool board, std::uint16_t port) {
        Server& server = servers_[int(kind)];
        server.pid = Spawn(std::move(args), board);
        if (server.pid > 0) server.client = Connect(port);
    }

    bool isolated_ = false;
    std::string why_;
    Server servers_[4];
};

// `count` pings with the sequence numbers 1 to `count`, back to back as one write.
std::string Commands(Kind kind, unsigned count) {
    std::string all;
    for (unsigned seq = 1; seq <= count; ++seq)
        all += kind == Kind::redis ? "PING\r\n"
                                   : Lgcp::Frame(Lgcp::Writer(int(seq)).Command(Lgcp::ping));
    return all;
}

// Checks the whole answers in `input` from `at` on and moves `at` past them, counting the
// pings answered in `answered`: TPKT frames, or redis's "+PONG\r\n". False with the reason
// at an answer that is not the next ping's success.
bool CheckAnswers(Kind kind, const std::string& input, std::size_t& at, unsigned& answered,
                  std::string& why) {
    if (kind == Kind::redis) {
        for (; at + 7 <= input.size(); at += 7, ++answered)
            if (input.compare(at, 7, "+PONG\r\n") != 0)
                return why = "redis-server answered other than +PONG", false;
        return true;
    }
    while (at + 4 <= input.size()) {
        const std::size_t length =
            std::size_t(std::uint8_t(input[at + 2])) << 8 | std::uint8_t(input[at + 3]);
        if (length < 4) return why = "a frame shorter than its header", false;
        if (at + length > input.size()) break;
        Lgcp::Message answer;
        const bool decoded = input[at] == 3 && input[at + 1] == 0 &&
                             Lgcp::Decode(input.substr(at + 4, length - 4), answer);
        at += length;
        if (decoded && answer.pdu == Lgcp::Message::signal) continue;
        ++answered;
        if (!decoded || answer.pdu != Lgcp::Message::response || !answer.success ||
            answer.seq != int(answered)) {
            why = "ping " + std::to_string(answered) + " answered with " +
                  (decoded ? Lgcp::Describe(answer) : "an undecodable frame");
            return false;
        }
    }
    return true;
}

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// The packet buffers the daemon ever touched, read from the running process with gdb; -1
// without gdb or without the daemon's symbols. The pool takes a never-used buffer only when
// none is free, so this is also the most it ever had in use at once.
long PacketBuffersTouched(pid_t pid) {
    std::string command = "gdb -batch -nx -p " + std::to_string(pid) +
                          " -ex \"print (unsigned)'List_allocator<_Packet, 1024u, "
                          "Dummy_critical_section>::fresh'\" 2>/dev/null";
    FILE* output = ::popen(command.c_str(), "r");
    if (!output) return -1;
    long touched = -1;
    char line[256];
    while (std::fgets(line, sizeof line, output))
        if (std::strncmp(line, "$1 = ", 5) == 0) touched = std::atol(line + 5);
    ::pclose(output);
    return touched;
}

// What the daemon holds when a case is done.
void ReportMemory(benchmark::State& state, pid_t pid) {
    state.counters["rss_kB"] = double(ResidentKiB(pid));
    long touched = PacketBuffersTouched(pid);
    if (touched >= 0) state.counters["buffers_touched"] = double(touched);
}

void RoundTrip(benchmark::State& state, Kind kind, unsigned count) {
    std::string why;
    Server* server = Servers::get().find(kind, why);
    if (!server) return state.SkipWithError(why.c_str());
    const std::string request = Commands(kind, count);
    std::string input;
    std::size_t at = 0;
    char buffer[65536];
    for (auto _ : state) {
        if (::write(server->client, request.data(), request.size()) != ssize_t(request.size()))
            return state.SkipWithError("write failed");
        // What is left is the start of a signal that came after the last answer.
        input.erase(0, at);
        at = 0;
        for (unsigned answered = 0; answered < count;) {
            ssize_t got = ::read(server->client, buffer, sizeof buffer);
            if (got <= 0) return state.SkipWithError("the server closed the connection");
            input.append(buffer, std::size_t(got));
            if (!CheckAnswers(kind, input, at, answered, why))
                return state.SkipWithError(why.c_str());
        }
    }
    if (kind != Kind::redis) ReportMemory(state, server->pid);
}

// Ping frames with random bit flips and now and then a random length field: what a broken
// controller might send. The daemon answers what decodes and drops the rest; a length
// field makes it gather up to 64 KiB of what follows as one body.
void MutationStorm(benchmark::State& state, Kind kind) {
    std::string why;
    Server* server = Servers::get().find(kind, why);
    if (!server) return state.SkipWithError(why.c_str());
    const std::string frame = Commands(Kind::halvoxd, 1);
    std::mt19937 random(25);
    char buffer[65536];
    for (auto _ : state) {
        std::string mutated = frame;
        for (int flips = int(random() % 4); flips-- > 0;)
            mutated[random() % mutated.size()] ^= char(1u << (random() % 8));
        if (random() % 8 == 0) mutated[2] = char(random()), mutated[3] = char(random());
        if (::write(server->client, mutated.data(), mutated.size()) != ssize_t(mutated.size()))
            return state.SkipWithError("write failed");
        while (::recv(server->client, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
        }
    }
    ReportMemory(state, server->pid);
}

// A round trip is waiting time: iterations are counted until enough real time has passed.
BENCHMARK_CAPTURE(RoundTrip, halvoxd_1, Kind::halvoxd, 1)->UseRealTime();
BENCHMARK_CAPTURE(RoundTrip, baseline_1, Kind::baseline, 1)->UseRealTime();
BENCHMARK_CAPTURE(RoundTrip, redis_1, Kind::redis, 1)->UseRealTime();
BENCHMARK_CAPTURE(RoundTrip, halvoxd_100, Kind::halvoxd, 100)->UseRealTime();
BENCHMARK_CAPTURE(RoundTrip, baseline_100, Kind::baseline, 100)->UseRealTime();
BENCHMARK_CAPTURE(RoundTrip, redis_100, Kind::redis, 100)->UseRealTime();
BENCHMARK_CAPTURE(RoundTrip, halvoxd_sim_1, Kind::halvoxdSim, 1)->UseRealTime();
BENCHMARK_CAPTURE(RoundTrip, halvoxd_sim_100, Kind::halvoxdSim, 100)->UseRealTime();
BENCHMARK_CAPTURE(MutationStorm, halvoxd, Kind::halvoxd)->UseRealTime();
BENCHMARK_CAPTURE(MutationStorm, baseline, Kind::baseline)->UseRealTime();

}  // namespace
