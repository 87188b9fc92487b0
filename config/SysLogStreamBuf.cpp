#include "config/SysLogStreamBuf.h"

#include "config/SysLogManager.h"

#include <syslog.h>
#include <cstring>

namespace {

const int plainArea = 1024;
const int managedArea = 16384;

void librarySyslog(int priority, const char* line) { ::syslog(priority, "%s", line); }

void managedSyslog(int priority, const char* line) { syslogManager.syslog(priority, "%s", line); }

}  // namespace

SysLogStreamBuf::SysLogStreamBuf(int facility, int severity) : priority(facility | severity) {
    setbuf(new char[plainArea], plainArea);
}

// Sends what is left, an unfinished line included: nothing written is lost.
SysLogStreamBuf::~SysLogStreamBuf() {
    cutLines(librarySyslog, true);
    delete[] area;
}

std::streambuf* SysLogStreamBuf::setbuf(char* p, std::streamsize n) {
    if (n < 2) return this;
    sync();
    delete[] area;
    area = p;
    setp(p, p + n - 1);
    return this;
}

std::streambuf::int_type SysLogStreamBuf::overflow(int_type c) {
    sync();
    if (traits_type::eq_int_type(c, traits_type::eof())) return 0;
    if (pptr() == epptr()) return traits_type::eof();
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int SysLogStreamBuf::cutLines(void (*send)(int priority, const char* line), bool all) {
    if (!pbase()) return 0;
    char* text = pbase();
    char* const end = pptr();
    *end = '\0';
    int sent = 0;
    if (std::memchr(text, '\n', std::size_t(end - text))) {
        char* line = text;
        while (char* newline =
                   static_cast<char*>(std::memchr(line, '\n', std::size_t(end - line)))) {
            *newline = '\0';
            send(priority, line);
            ++sent;
            line = newline + 1;
        }
        if (line < end) {
            send(priority, line);
            ++sent;
        }
    } else if (end == epptr() || (all && end != text)) {
        send(priority, text);
        ++sent;
    } else {
        return 0;
    }
    setp(pbase(), epptr());
    return sent;
}

int SysLogStreamBuf::sync() {
    cutLines(librarySyslog);
    return 0;
}

ManagedSysLogStreamBuf::ManagedSysLogStreamBuf(int facility, int severity)
    : SysLogStreamBuf(facility, severity) {
    setbuf(new char[managedArea], managedArea);
}

ManagedSysLogStreamBuf::~ManagedSysLogStreamBuf() {
    if (cutLines(managedSyslog, true)) syslogManager.sendmsg();
}

int ManagedSysLogStreamBuf::sync() {
    if (cutLines(managedSyslog)) syslogManager.sendmsg();
    return 0;
}
