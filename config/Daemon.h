// Detaches the process from its terminal and sends std::cout, std::cerr and
// std::clog to the system log (through the daemon's own syslog client) or to
// hourly log files. Done once per process.
#pragma once

#include <string>

class LogFileStreamBuf;

namespace Daemon {

struct Params {
    // 0: the standard streams go to the system log; 1: to hourly log files;
    // anything else: no redirection.
    int mode = 0;
    // Passed to daemon(): keep the working directory.
    bool nochdir = false;
    // Mode 0: the syslog ident; mode 1: the directory of the log files.
    std::string name = "unknown";
};

// The redirection, alive from the first Init until the process exits.
class Sentry {
public:
    explicit Sentry(const Params& params);
    Sentry(const Sentry&) = delete;
    Sentry& operator=(const Sentry&) = delete;
    ~Sentry();

private:
    int mode;
    LogFileStreamBuf* logFile = nullptr;
};

// The first call daemonises and redirects; later calls do nothing.
void Init(const Params& params);

// Puts "/dev/null" on each of the standard descriptors 0-2 that is closed,
// as daemon() does for Init. Started without them, the process would hand
// their numbers to the first files it opens, and its log would go into them
// (the pid file among them). Call it before anything opens a descriptor.
void OpenStandardDescriptors();

}  // namespace Daemon
