#include "tests/e2e/DaemonProcess.h"

#include "tests/support/Fork.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::string Contents(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while (fd >= 0 && (n = ::pread(fd, buffer, sizeof buffer, off_t(text.size()))) > 0)
        text.append(buffer, size_t(n));
    return text;
}

}  // namespace

// A daemon without the simulation refuses HALVOXD_BOARD=sim, so there it
// runs on the kernel's drivers (none on this machine).
#ifdef HALVOX_BOARD_SIM
const char* const DaemonProcess::defaultBoard = "sim";
#else
const char* const DaemonProcess::defaultBoard = "";
#endif

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
    for (int fd : {out, err})
        if (fd >= 0) ::close(fd);
}

bool DaemonProcess::Start(const std::vector<std::string>& args) {
    out = ::memfd_create("halvoxd-stdout", MFD_CLOEXEC);
    err = ::memfd_create("halvoxd-stderr", MFD_CLOEXEC);
    if (out < 0 || err < 0) return false;
    std::vector<std::string> copies = args;
    // HALVOX_TEST_DAEMON names a copy of the daemon for a user who cannot
    // reach the build tree (CI's run as one who is not root, from /root).
    const char* const copy = std::getenv("HALVOX_TEST_DAEMON");
    copies.insert(copies.begin(), copy && *copy ? copy : HALVOXD_PATH);
    std::vector<char*> argv;
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    // The child's setenv allocates.
    child = TestSupport::ForkAlone();
    if (child == 0) {
        if (closedStandardDescriptors) {
            for (int fd : {0, 1, 2}) ::close(fd);
        } else {
            ::dup2(out, 1);
            ::dup2(err, 2);
        }
        if (orphanedStandardError) {
            int ends[2];
            if (::pipe(ends) != 0 || ::dup2(ends[1], 2) < 0) ::_exit(127);
            ::close(ends[0]), ::close(ends[1]);
            ::signal(SIGPIPE, SIG_DFL);
        }
        for (const auto& [name, value] : environment) {
            if (value.empty())
                ::unsetenv(name.c_str());
            else
                ::setenv(name.c_str(), value.c_str(), 1);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return child > 0;
}

bool DaemonProcess::StartServing() {
    std::vector<std::string> args{"--port", "20001"};
    args.insert(args.end(), options.begin(), options.end());
    return Start(args) && WaitFor("Starting server [");
}

bool DaemonProcess::WaitFor(const std::string& text, unsigned limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (Output().find(text) == std::string::npos) {
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string DaemonProcess::Out() const { return Contents(out); }

std::string DaemonProcess::Err() const { return Contents(err); }

void DaemonProcess::Signal(int signo) {
    if (child > 0 && !reaped) ::kill(child, signo);
}

int DaemonProcess::WaitExit(unsigned limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    int status = 0;
    do {
        if (::waitpid(child, &status, WNOHANG) == child) {
            reaped = true;
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
