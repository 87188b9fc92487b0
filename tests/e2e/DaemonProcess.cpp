#include "tests/e2e/DaemonProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool DaemonProcess::WriteConfig(const std::string& text) {
    std::ofstream file(configPath);
    file << text;
    return bool(file);
}

DaemonProcess::~DaemonProcess() {
    if (child > 0 && !reaped) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    if (reader.joinable()) reader.join();
}

bool DaemonProcess::Start(const std::vector<std::string>& args) {
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return false;
    std::vector<char*> argv;
    std::string program = HALVOXD_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        for (const auto& [name, value] : environment) {
            if (value.empty())
                ::unsetenv(name.c_str());
            else
                ::setenv(name.c_str(), value.c_str(), 1);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    reader = std::thread(&DaemonProcess::Collect, this, outPipe[0], errPipe[0]);
    return true;
}

bool DaemonProcess::StartServing() {
    return Start({"--port", "20001"}) && WaitFor("Starting server [");
}

void DaemonProcess::Collect(int outFd, int errFd) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buffer[4096];
            ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            std::lock_guard<std::mutex> guard(lock);
            (i == 0 ? out : err).append(buffer, size_t(n));
            all.append(buffer, size_t(n));
        }
    }
}

bool DaemonProcess::WaitFor(const std::string& text, unsigned limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    do {
        if (Output().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (Clock::now() < end);
    return Output().find(text) != std::string::npos;
}

std::string DaemonProcess::Out() {
    std::lock_guard<std::mutex> guard(lock);
    return out;
}

std::string DaemonProcess::Err() {
    std::lock_guard<std::mutex> guard(lock);
    return err;
}

std::string DaemonProcess::Output() {
    std::lock_guard<std::mutex> guard(lock);
    return all;
}

void DaemonProcess::Signal(int signo) {
    if (child > 0 && !reaped) ::kill(child, signo);
}

int DaemonProcess::WaitExit(unsigned limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    int status = 0;
    do {
        pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            reaped = true;
            if (reader.joinable()) reader.join();
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (Clock::now() < end);
    return -1;
}

bool DaemonProcess::Stop() {
    Signal(SIGTERM);
    const int status = WaitExit();
    return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           ::access(pidPath, F_OK) != 0;
}
