// A local syslog server for tests: a Unix socket in a private temporary
// directory that collects the messages sent to it on a thread of its own (so
// a sender is never blocked by a full socket queue while the test waits).
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
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
    void receive();
    void add(std::string message);

    int type;
    std::string dir;
    bool ownsDir = false;
    std::string socketPath;
    int listener = -1;
    int wakeup[2] = {-1, -1};
    std::thread reader;
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<std::string> messages;
};
