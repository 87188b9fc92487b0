// The daemon's own syslog client: formats messages in the traditional local
// format "<pri>Mmm dd hh:mm:ss ident[pid]: text" and sends them to "/dev/log",
// queueing the messages of one stream flush and sending them in one system call.
#pragma once

#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>

class SysLogManager {
public:
    static constexpr int MessageSize = 1024;   // one message, NUL included
    static constexpr int BatchSize = 16384;    // octets queued at most
    static constexpr int BatchMessages = 256;  // messages queued at most
    static constexpr int SendAbove = 12288;    // queued octets that trigger a send

    // Plain data with a trivial destructor, so the streams that log through
    // it work during static construction and destruction in any order.
    constexpr SysLogManager() {}
    SysLogManager(const SysLogManager&) = delete;
    SysLogManager& operator=(const SysLogManager&) = delete;

    // ident is kept as a pointer, not copied (the caller keeps the text alive).
    void openlog(const char* ident, int options, int facility);
    // Closes the connection and drops queued messages; restores the default ident.
    void closelog();
    void syslog(int priority, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // Sends the queued messages; returns the octets sent, 0 when nothing was
    // queued, -1 when sending failed even after a reconnection.
    int sendmsg();
    int fd() const { return sock; }

    // Test hook: where the server socket is ("/dev/log" unless a test says otherwise).
    void setServerPath(const char* path);

private:
    void closeConnection();
    int queue(const char* message, int length);
    int sendQueued();
    int sendDatagrams();
    int sendStream();
    void dropQueue();
    void writeConsole(const char* text);

    int type = SOCK_DGRAM;
    int sock = -1;
    bool connected = false;
    int options = 0;
    const char* ident = "syslog-qx";
    int facility = 8;  // LOG_USER
    int mask = 0xff;
    char serverPath[sizeof(sockaddr_un::sun_path)] = "/dev/log";

    char message[MessageSize] = {};
    char batch[BatchSize] = {};
    int used = 0;
    iovec entries[BatchMessages] = {};
    int count = 0;
    int sent = 0;  // messages of the queue that already went out
};

extern SysLogManager syslogManager;
