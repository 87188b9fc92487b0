// One run of the real halvoxd for an end-to-end test: started with its
// arguments (after the test wrote its configuration file), its standard
// output and error kept in memory files the test reads whenever it looks,
// then signalled and reaped. Tests run it inside their private namespaces
// (HALVOX_ISOLATE).
#pragma once

#include "tests/support/TempDir.h"

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

using TestSupport::ReadFile;

class DaemonProcess {
public:
    static constexpr const char* configPath = "/usr/local/etc/server.conf";
    static constexpr const char* pidPath = "/var/run/server.pid";
    static constexpr const char* statusPath = "/var/log/server-status";

    DaemonProcess() = default;
    // Kills a daemon still running.
    ~DaemonProcess();
    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    static bool WriteConfig(const std::string& text);

    // Starts halvoxd with the arguments; false when it cannot be started.
    bool Start(const std::vector<std::string>& args = {});
    // Starts it on port 20001 with the options and waits for "Starting server [".
    bool StartServing();

    // Waits until the output holds text; false after limitMs.
    bool WaitFor(const std::string& text, unsigned limitMs = 5000);
    std::string Out() const;
    std::string Err() const;
    std::string Output() const { return Out() + Err(); }

    void Signal(int signo);
    // The raw wait status, or -1 when the process has not ended within limitMs.
    int WaitExit(unsigned limitMs = 5000);
    // SIGTERM; true when the process then exits with status 0 and the pid
    // file is gone.
    bool Stop();

    pid_t pid() const { return child; }

    // Set in the daemon's environment when it starts (an empty value
    // unsets); the board is simulated, where the build has the simulation,
    // unless a test says otherwise.
    std::map<std::string, std::string> environment{{"HALVOXD_BOARD", defaultBoard}};
    std::vector<std::string> options;
    // Starts it with descriptors 0-2 closed, as a careless supervisor may;
    // its output is then not seen.
    bool closedStandardDescriptors = false;
    // Starts it with standard error a pipe whose reader is gone and SIGPIPE
    // at its default, as under a supervisor that died; its error output is
    // then not seen.
    bool orphanedStandardError = false;

private:
    static const char* const defaultBoard;

    pid_t child = -1;
    bool reaped = false;
    int out = -1, err = -1;
};
