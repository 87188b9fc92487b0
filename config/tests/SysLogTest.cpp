#include "config/SysLogManager.h"
#include "config/SysLogStreamBuf.h"
#include "config/tests/SendCounter.h"
#include "config/tests/SyslogSink.h"
#include "runtime/Fd.h"
#include "runtime/tests/FakeClock.h"
#include "tests/support/Fork.h"
#include "tests/support/Isolation.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <ostream>
#include <vector>

namespace {

// The fake clock's time of day read in UTC: 2023-10-11 16:46:01.
const std::string stamp = "Oct 11 16:46:01 ";

using Messages = std::vector<std::string>;

int socketType(int fd) {
    int type = -1;
    socklen_t size = sizeof type;
    ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size);
    return type;
}

// What the user facility's notices look like from ident "tst".
std::string notice(const std::string& text) {
    return SyslogMessage(LOG_USER | LOG_NOTICE, "tst: " + text);
}

class SysLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        syslogManager.setServerPath(sink.path().c_str());
        syslogManager.openlog("tst", LOG_NDELAY, LOG_USER);
        ASSERT_GE(syslogManager.fd(), 0);
    }
    void TearDown() override {
        syslogManager.closelog();
        syslogManager.setServerPath("/dev/null/none");
    }

    FakeClock clock{1000};
    SyslogSink sink{SOCK_DGRAM};
};

TEST_F(SysLogTest, TextWithoutNewlineWaitsForTheRestOfItsLine) {
    ManagedSysLogStreamBuf buffer(LOG_DAEMON, LOG_ERR);
    std::ostream out(&buffer);
    SendCounter::reset();
    out << "abc" << std::flush;
    EXPECT_EQ(SendCounter::calls(), 0);
    out << "def" << std::endl;
    out << "x\n\n100% %s %n" << std::flush;
    EXPECT_EQ(SendCounter::calls(), 2);
    EXPECT_EQ(sink.waitFor(4),
              (Messages{SyslogMessage(27, "tst: abcdef"), SyslogMessage(27, "tst: x"),
                        SyslogMessage(27, "tst: "), SyslogMessage(27, "tst: 100% %s %n")}));
}

TEST_F(SysLogTest, FullAreaGoesAsOneMessageCutToTheLimit) {
    ManagedSysLogStreamBuf buffer(LOG_DAEMON, LOG_DEBUG);
    std::ostream out(&buffer);
    SendCounter::reset();
    out << std::string(16383, 'x');
    EXPECT_EQ(SendCounter::calls(), 0);
    out << 'y' << std::flush;
    EXPECT_EQ(SendCounter::calls(), 1);
    // The character that made the area overflow starts the next message.
    out << std::endl;
    const std::string head = "<31>" + stamp + "tst: ";
    EXPECT_EQ(sink.waitFor(2), (Messages{head + std::string(1023 - head.size(), 'x') + '\0',
                                         SyslogMessage(31, "tst: y")}));
}

TEST_F(SysLogTest, IdentPidAndDefaultFacility) {
    syslogManager.openlog("", 0, 0);  // connected already: only ident and options change
    syslogManager.syslog(LOG_ERR, "%s", "no ident");
    syslogManager.openlog("id", LOG_PID, LOG_LOCAL1);
    syslogManager.syslog(LOG_INFO, "%d%%", 5);
    syslogManager.syslog(LOG_DAEMON | LOG_WARNING, "%s", "own facility");
    EXPECT_GT(syslogManager.sendmsg(), 0);
    EXPECT_EQ(syslogManager.sendmsg(), 0);
    const std::string id = "id[" + std::to_string(::getpid()) + "]: ";
    EXPECT_EQ(sink.waitFor(3),
              (Messages{SyslogMessage(LOG_USER | LOG_ERR, "no ident"),
                        SyslogMessage(LOG_LOCAL1 | LOG_INFO, id + "5%"),
                        SyslogMessage(LOG_DAEMON | LOG_WARNING, id + "own facility")}));
}

TEST_F(SysLogTest, PerrorCopiesIdentAndTextToStandardError) {
    FILE* copy = std::tmpfile();
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(::fileno(copy), STDERR_FILENO);
    syslogManager.openlog("tst", LOG_PERROR | LOG_NDELAY, 0);
    syslogManager.syslog(LOG_NOTICE, "%s", "plain");
    syslogManager.syslog(LOG_NOTICE, "%s", "ends\n");
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::string text(256, '\0');
    std::rewind(copy);
    text.resize(std::fread(&text[0], 1, text.size(), copy));
    std::fclose(copy);
    EXPECT_EQ(text, "tst: plain\ntst: ends\n");
    syslogManager.sendmsg();
    EXPECT_EQ(sink.waitFor(2).size(), 2u);
}

TEST_F(SysLogTest, EarlySendAt256MessagesOrAbove12288Octets) {
    SendCounter::reset();
    for (int i = 0; i < 255; ++i) syslogManager.syslog(LOG_NOTICE, "m%d", i);
    EXPECT_EQ(SendCounter::calls(), 0);
    syslogManager.syslog(LOG_NOTICE, "m%d", 255);
    EXPECT_EQ(SendCounter::calls(), 1);
    // 25 octets of head, 975 of text and the NUL: 1001 octets a message.
    const std::string text(975, 't');
    for (int i = 0; i < 12; ++i) syslogManager.syslog(LOG_NOTICE, "%s", text.c_str());
    EXPECT_EQ(SendCounter::calls(), 1);
    syslogManager.syslog(LOG_NOTICE, "%s", text.c_str());
    EXPECT_EQ(SendCounter::calls(), 2);
    const auto got = sink.waitFor(269);
    ASSERT_EQ(got.size(), 269u);
    EXPECT_EQ(got[0], notice("m0"));
    EXPECT_EQ(got[255], notice("m255"));
    EXPECT_EQ(got[268], notice(text));
}

TEST_F(SysLogTest, RestartedServerGetsTheWholePendingBatch) {
    syslogManager.syslog(LOG_NOTICE, "%s", "before");
    syslogManager.sendmsg();
    ASSERT_EQ(sink.waitFor(1).size(), 1u);

    // The server goes away and comes back on a new socket of the same path.
    sink.stop();
    SyslogSink restarted(SOCK_DGRAM, sink.directory());
    syslogManager.syslog(LOG_NOTICE, "%s", "one");
    syslogManager.syslog(LOG_NOTICE, "%s", "two");
    EXPECT_GT(syslogManager.sendmsg(), 0);
    EXPECT_EQ(restarted.waitFor(2), (Messages{notice("one"), notice("two")}));
}

TEST_F(SysLogTest, NoServerDropsQuietlyThenConnectsWhenItComes) {
    sink.stop();
    syslogManager.closelog();
    syslogManager.openlog("tst", LOG_NDELAY, 0);
    EXPECT_EQ(syslogManager.fd(), -1);
    syslogManager.syslog(LOG_NOTICE, "%s", "lost");
    EXPECT_EQ(syslogManager.sendmsg(), 0);

    SyslogSink later(SOCK_DGRAM, sink.directory());
    syslogManager.syslog(LOG_NOTICE, "%s", "found");
    EXPECT_GE(syslogManager.fd(), 0);
    syslogManager.sendmsg();
    EXPECT_EQ(later.waitFor(1), (Messages{notice("found")}));
}

TEST_F(SysLogTest, StreamServerAfterPrototypeError) {
    sink.stop();
    syslogManager.closelog();
    SyslogSink stream(SOCK_STREAM, sink.directory());
    syslogManager.openlog("tst", LOG_NDELAY, 0);
    EXPECT_EQ(socketType(syslogManager.fd()), SOCK_STREAM);
    syslogManager.syslog(LOG_NOTICE, "%s", "a");
    syslogManager.syslog(LOG_NOTICE, "%s", "b");
    syslogManager.sendmsg();
    EXPECT_EQ(stream.waitFor(2), (Messages{notice("a"), notice("b")}));

    // closelog goes back to datagrams for the next server.
    syslogManager.closelog();
    stream.stop();
    SyslogSink datagrams(SOCK_DGRAM, sink.directory());
    syslogManager.openlog("tst", LOG_NDELAY, 0);
    EXPECT_EQ(socketType(syslogManager.fd()), SOCK_DGRAM);
}

// A stream server that goes in the middle of a batch has read part of it;
// its successor gets the rest, from the first message not wholly sent.
TEST_F(SysLogTest, StreamServerGoneMidBatchLeavesNoMessageSentTwice) {
    sink.stop();
    syslogManager.closelog();
    Fd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, sink.path().c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(
        0, ::bind(listener.lowlevel_fd(), reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, ::listen(listener.lowlevel_fd(), 1));
    syslogManager.openlog("tst", LOG_NDELAY, 0);
    SyslogSink restarted(SOCK_STREAM, sink.directory());
    Fd first(::accept4(listener.lowlevel_fd(), nullptr, nullptr, SOCK_CLOEXEC));
    ASSERT_TRUE(first);
    listener.close();
    // The batch cannot go in one piece: the send waits for the server to read.
    const int smallest = 1;
    ::setsockopt(syslogManager.fd(), SOL_SOCKET, SO_SNDBUF, &smallest, sizeof smallest);

    // The first server reads a few octets, stops reading, takes what was
    // already handed over to it and goes.
    int channel[2];
    ASSERT_EQ(0, ::pipe2(channel, O_CLOEXEC));
    const pid_t server = TestSupport::ForkAlone();
    ASSERT_GE(server, 0);
    if (server == 0) {
        char buffer[65536];
        ssize_t n = ::read(first.lowlevel_fd(), buffer, 100);
        ::shutdown(first.lowlevel_fd(), SHUT_RD);
        while (n > 0) {
            if (::write(channel[1], buffer, std::size_t(n)) != n) ::_exit(1);
            n = ::read(first.lowlevel_fd(), buffer, sizeof buffer);
        }
        ::_exit(0);
    }
    first.close();
    ::close(channel[1]);

    // Twelve messages of 927 octets, fewer than send a batch early.
    Messages all;
    for (int i = 0; i < 12; ++i) {
        const std::string text = char('a' + i) + std::string(900, 'x');
        syslogManager.syslog(LOG_NOTICE, "%s", text.c_str());
        all.push_back(notice(text));
    }
    EXPECT_GT(syslogManager.sendmsg(), 0);

    std::string read;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        read.append(buffer, std::size_t(n));
    ::close(channel[0]);
    int status = -1;
    ASSERT_EQ(server, ::waitpid(server, &status, 0));
    ASSERT_EQ(0, status);
    Messages got;
    for (std::size_t end; (end = read.find('\0')) != std::string::npos; read.erase(0, end + 1))
        got.push_back(read.substr(0, end + 1));
    ASSERT_GT(got.size(), 0u);
    ASSERT_LT(got.size(), all.size()) << "the first server took the whole batch";
    const Messages rest = restarted.waitFor(all.size() - got.size());
    got.insert(got.end(), rest.begin(), rest.end());
    // Each message received by its number in the batch, so a failure reads short.
    std::vector<long> numbers, expected;
    for (const std::string& message : got)
        numbers.push_back(std::find(all.begin(), all.end(), message) - all.begin());
    for (long i = 0; i < long(all.size()); ++i) expected.push_back(i);
    EXPECT_EQ(expected, numbers);
}

TEST_F(SysLogTest, DescriptorZeroIsAValidSocket) {
    syslogManager.closelog();
    const int saved = ::dup(0);
    ::close(0);
    syslogManager.openlog("tst", LOG_NDELAY, 0);
    const int fd = syslogManager.fd();
    syslogManager.syslog(LOG_NOTICE, "%s", "on zero");
    syslogManager.sendmsg();
    syslogManager.closelog();
    ::dup2(saved, 0);
    ::close(saved);
    EXPECT_EQ(fd, 0);
    EXPECT_EQ(sink.waitFor(1), (Messages{notice("on zero")}));
}

TEST(SysLogStreamBuf, LinesGoThroughTheLibrarySyslog) {
    // The C library always writes to "/dev/log": a private one under a tmpfs.
    HALVOX_ISOLATE("/dev");
    SyslogSink sink(SOCK_DGRAM, "/dev");
    ::openlog("lib", 0, LOG_USER);
    {
        SysLogStreamBuf buffer(LOG_DAEMON, LOG_ERR);
        std::ostream out(&buffer);
        out << "one\ntwo" << std::flush << "unflushed";
    }
    ::closelog();
    // Stamped by the library's own clock ("Mmm dd hh:mm:ss ").
    const Messages got = sink.waitFor(3);
    ASSERT_EQ(got.size(), 3u);
    const char* texts[] = {"lib: one", "lib: two", "lib: unflushed"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(got[i].size(), 4 + 16 + std::strlen(texts[i])) << got[i];
        EXPECT_EQ(got[i].compare(0, 4, "<27>"), 0) << got[i];
        EXPECT_EQ(got[i].compare(20, std::string::npos, texts[i]), 0) << got[i];
    }
}

}  // namespace
