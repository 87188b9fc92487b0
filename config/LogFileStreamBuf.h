// Stream buffer that writes the daemon's output into hourly log files
// "<dir>/<%Y_%m_%d-%H>.log", each line prefixed with minute, second and
// microseconds of the time it was flushed.
#pragma once

#include "runtime/Fd.h"

#include <cstddef>
#include <streambuf>
#include <string>

class LogFileStreamBuf : public std::streambuf {
public:
    explicit LogFileStreamBuf(const std::string& dir);
    LogFileStreamBuf(const LogFileStreamBuf&) = delete;
    LogFileStreamBuf& operator=(const LogFileStreamBuf&) = delete;
    ~LogFileStreamBuf() override;

    // Closes the current file and opens (for append) the one of the present
    // hour. False when that is not a regular file or cannot be opened; what is
    // written then is dropped until the next hour's file opens.
    bool NewFile();

protected:
    // Takes ownership of p (allocated with new[]).
    std::streambuf* setbuf(char* p, std::streamsize n) override;
    int sync() override;
    int_type overflow(int_type c) override;

private:
    bool openStamp(const std::string& stamp);
    void append(const char* text, std::size_t size);

    Fd file;
    std::string dir;
    std::string stamp;  // of the open file; empty before the first
    bool midLine = false;
    char* area = nullptr;
};
