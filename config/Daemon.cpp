#include "config/Daemon.h"

#include "config/LogFileStreamBuf.h"
#include "config/SysLogManager.h"
#include "config/SysLogStreamBuf.h"

#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace Daemon {

namespace {

// The syslog client keeps the ident by pointer, so it lives as long as the process.
char ident[80];

}  // namespace

Sentry::Sentry(const Params& params) : mode(params.mode) {
    if (::daemon(params.nochdir, 0) != 0) {
        std::cerr << "daemon() fail!" << std::endl;
        std::exit(2);
    }
    if (mode == 0) {
        std::strncpy(ident, params.name.c_str(), sizeof ident - 1);
        syslogManager.openlog(ident, LOG_NDELAY, 0);
        // These buffers stay until the process ends: output at exit still goes out.
        std::cout.rdbuf(new ManagedSysLogStreamBuf(LOG_DAEMON, LOG_NOTICE));
        std::cerr.rdbuf(new ManagedSysLogStreamBuf(LOG_DAEMON, LOG_ERR));
        std::clog.rdbuf(new ManagedSysLogStreamBuf(LOG_DAEMON, LOG_DEBUG));
        // What is written to descriptors 1 and 2 directly, by this process or
        // its children, reaches the system log as it stands.
        const int fd = syslogManager.fd();
        if (fd >= 0) {
            ::dup2(fd, STDOUT_FILENO);
            ::dup2(fd, STDERR_FILENO);
        }
    } else if (mode == 1) {
        logFile = new LogFileStreamBuf(params.name);
        std::cout.rdbuf(logFile);
        std::cerr.rdbuf(logFile);
        std::clog.rdbuf(logFile);
    }
}

Sentry::~Sentry() {
    if (mode != 1) return;
    std::cout.rdbuf(nullptr);
    std::cerr.rdbuf(nullptr);
    std::clog.rdbuf(nullptr);
    delete logFile;
}

void Init(const Params& params) { static Sentry sentry(params); }

void OpenStandardDescriptors() {
    // An open takes the lowest free number, so it lands on a closed standard
    // descriptor until none is left. These stay open across exec, as standard
    // descriptors do.
    for (;;) {
        const int fd = ::open("/dev/null", O_RDWR);
        if (fd < 0) return;
        if (fd > STDERR_FILENO) {
            ::close(fd);
            return;
        }
    }
}

}  // namespace Daemon
