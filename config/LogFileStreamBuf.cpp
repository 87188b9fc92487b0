#include "config/LogFileStreamBuf.h"

#include "runtime/MuxClock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

const int areaSize = 16;

std::string makeStamp(const std::tm& local) {
    char text[32];
    std::strftime(text, sizeof text, "%Y_%m_%d-%H", &local);
    return text;
}

std::tm localNow(long& microseconds) {
    Mux::timeval now;
    Mux::gettimeval(now);
    const std::time_t seconds = now.tv_sec;
    std::tm local;
    ::localtime_r(&seconds, &local);
    microseconds = long(now.tv_usec);
    return local;
}

}  // namespace

LogFileStreamBuf::LogFileStreamBuf(const std::string& dir) : dir(dir) {
    setbuf(new char[areaSize], areaSize);
    NewFile();
    midLine = false;
}

// Writes what is pending before closing, so nothing written is lost, and
// ends an unfinished line, so whoever appends next starts a line of its own.
LogFileStreamBuf::~LogFileStreamBuf() {
    sync();
    if (midLine) append("\n", 1);
    delete[] area;
}

bool LogFileStreamBuf::NewFile() {
    long microseconds;
    return openStamp(makeStamp(localNow(microseconds)));
}

// Appends, so a restart within the hour keeps what the hour logged before.
bool LogFileStreamBuf::openStamp(const std::string& newStamp) {
    file.close();
    stamp = newStamp;
    char path[4096];
    std::snprintf(path, sizeof path, "%s/%s.log", dir.c_str(), stamp.c_str());
    return file.OpenRegular(path, O_WRONLY | O_CREAT | O_APPEND);
}

// Straight to the file, so every flush reaches it and a crash loses nothing
// already flushed. What a full or failing medium refuses is dropped.
void LogFileStreamBuf::append(const char* text, std::size_t size) {
    while (size > 0 && file) {
        const ssize_t written = ::write(file.lowlevel_fd(), text, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        size -= std::size_t(written);
    }
}

std::streambuf* LogFileStreamBuf::setbuf(char* p, std::streamsize n) {
    if (n < 2) return this;
    sync();
    delete[] area;
    area = p;
    setp(p, p + n);
    return this;
}

std::streambuf::int_type LogFileStreamBuf::overflow(int_type c) {
    sync();
    if (traits_type::eq_int_type(c, traits_type::eof())) return 0;
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int LogFileStreamBuf::sync() {
    const char* text = pbase();
    const char* const end = pptr();
    if (!text || text == end) return 0;
    setp(pbase(), epptr());

    if (midLine) {
        const char* newline =
            static_cast<const char*>(std::memchr(text, '\n', std::size_t(end - text)));
        if (!newline) {
            append(text, std::size_t(end - text));
            return 0;
        }
        append(text, std::size_t(newline + 1 - text));
        midLine = false;
        text = newline + 1;
        if (text == end) return 0;
    }

    long microseconds;
    const std::tm local = localNow(microseconds);
    const std::string nowStamp = makeStamp(local);
    if (nowStamp != stamp) openStamp(nowStamp);

    char prefix[32];
    const int prefixLength = std::snprintf(prefix, sizeof prefix, "%02d:%02d:%05ld: ", local.tm_min,
                                           local.tm_sec, microseconds);
    // The prefixed lines go in one write, as one flush of a file buffer would.
    std::string lines;
    while (text < end) {
        const char* newline =
            static_cast<const char*>(std::memchr(text, '\n', std::size_t(end - text)));
        const char* stop = newline ? newline + 1 : end;
        lines.append(prefix, std::size_t(prefixLength)).append(text, stop);
        if (!newline) midLine = true;
        text = stop;
    }
    append(lines.data(), lines.size());
    return 0;
}
