// The daemon's syslog client against a real syslog daemon: Debian's rsyslogd,
// run with a configuration of the test's own that listens on a socket of the
// test (never the machine's "/dev/log").
#include "config/SysLogManager.h"
#include "config/SysLogStreamBuf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

using TestSupport::ReadFile;
using TestSupport::TempDir;

namespace {

const char* const rsyslogd = "/usr/sbin/rsyslogd";

// Polls until done() holds or about ten seconds have passed.
template <class Done>
bool waitUntil(Done done) {
    for (int i = 0; i < 200; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

class Rsyslog {
public:
    Rsyslog() {
        dir = temp.path();
        socket = dir + "/log";
        output = dir + "/out.log";
        std::ofstream(dir + "/rsyslog.conf")
            << "global(workDirectory=\"" << dir << "\")\n"
            << "module(load=\"imuxsock\" SysSock.Use=\"off\")\n"
            << "input(type=\"imuxsock\" Socket=\"" << socket << "\")\n"
            << "template(name=\"t\" type=\"string\" string=\"%PRI%|%syslogtag%|%msg%\\n\")\n"
            << "*.* action(type=\"omfile\" file=\"" << output << "\" template=\"t\")\n";
        const std::string conf = dir + "/rsyslog.conf", pidFile = dir + "/rsyslogd.pid",
                          console = dir + "/console";
        pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::execl(rsyslogd, rsyslogd, "-n", "-f", conf.c_str(), "-i", pidFile.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Rsyslog() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
    std::string console() const { return ReadFile(dir + "/console"); }

    TempDir temp;
    std::string dir, socket, output;
    pid_t pid;
};

TEST(Rsyslog, LogsEachLineOfABatchIntact) {
    if (::access(rsyslogd, X_OK) != 0)
        GTEST_SKIP() << rsyslogd << " is not installed (as root: apt-get install rsyslog)";
    Rsyslog server;
    ASSERT_GT(server.pid, 0);
    struct stat st;
    ASSERT_TRUE(waitUntil([&] { return ::stat(server.socket.c_str(), &st) == 0; }))
        << "rsyslogd made no socket: " << server.console();

    syslogManager.setServerPath(server.socket.c_str());
    syslogManager.openlog("tst", LOG_NDELAY, 0);
    {
        ManagedSysLogStreamBuf buffer(LOG_DAEMON, LOG_NOTICE);
        std::ostream out(&buffer);
        out << "first line\nsecond line\n" << std::flush;
    }
    syslogManager.closelog();
    syslogManager.setServerPath("/dev/null/none");

    const std::string expected = "29|tst:| first line\n29|tst:| second line\n";
    EXPECT_TRUE(waitUntil([&] { return ReadFile(server.output).size() >= expected.size(); }));
    EXPECT_EQ(ReadFile(server.output), expected) << server.console();
}

}  // namespace
