// A local syslog server for tests: a Unix socket in a private temporary
// directory whose messages a process of its own collects and hands to the
// test through a pipe. A sender is never blocked by a full socket queue while
// the test waits, and the test runs no second thread, so it may fork at will.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A message as the sink receives it: priority, the stamp of the fake
// clock's time of day read in UTC (2023-10-11 16:46:01), text and its NUL.
std::string SyslogMessage(int priority, const std::string& rest);

class SyslogSink {
public:
    // type: SOCK_DGRAM (one message per datagram) or SOCK_STREAM (messages
    // ended by NUL). With an empty dir a fresh temporary directory is made.
    explicit SyslogSink(int type, const std::string& dir = std::string());
    ~SyslogSink();
    SyslogSink(const SyslogSink&) = delete;
    SyslogSink& operator=(const SyslogSink&) = delete;

    const std::string& path() const { return socketPath; }
    const std::string& directory() const { return dir; }
    // Waits up to timeoutMs for at least n messages; returns all received so far.
    std::vector<std::string> waitFor(std::size_t n, int timeoutMs = 5000);
    // Closes the socket and removes it (the directory stays for a successor).
    void stop();

private:
    [[noreturn]] void relay(int listener, int out);
    bool take(int timeoutMs);

    int type;
    std::string dir;
    bool ownsDir = false;
    std::string socketPath;
    pid_t receiver = -1;
    int relayed = -1;     // the pipe from the receiver: messages, each after its length
    std::string partial;  // octets of the pipe not yet a whole message
    std::vector<std::string> messages;
};
