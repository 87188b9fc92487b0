// Stream buffers that turn the lines written to a stream into syslog
// messages: SysLogStreamBuf through the system library's syslog(), and
// ManagedSysLogStreamBuf through the daemon's own client, one send per flush.
#pragma once

#include <streambuf>

class SysLogStreamBuf : public std::streambuf {
public:
    // facility is a LOG_ constant such as LOG_DAEMON, severity 0 to 7.
    SysLogStreamBuf(int facility, int severity);
    SysLogStreamBuf(const SysLogStreamBuf&) = delete;
    SysLogStreamBuf& operator=(const SysLogStreamBuf&) = delete;
    ~SysLogStreamBuf() override;

protected:
    // Takes ownership of p (allocated with new[]); the last octet is kept for
    // the NUL that ends the text.
    std::streambuf* setbuf(char* p, std::streamsize n) override;
    int sync() override;
    int_type overflow(int_type c) override;

    // Cuts the pending text into lines and hands each to send; text after the
    // last newline goes too, and text without newline goes whole when the area
    // is full or when all is asked for. Returns the number of messages handed over.
    int cutLines(void (*send)(int priority, const char* line), bool all = false);

    int priority;

private:
    char* area = nullptr;
};

class ManagedSysLogStreamBuf : public SysLogStreamBuf {
public:
    ManagedSysLogStreamBuf(int facility, int severity);
    ~ManagedSysLogStreamBuf() override;

protected:
    int sync() override;
};
