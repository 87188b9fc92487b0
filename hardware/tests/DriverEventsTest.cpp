#include "hardware/DriverEvents.h"
#include "runtime/tests/TestPipe.h"
#include "tests/support/StreamCapture.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <poll.h>
#include <vector>

namespace {

// A driver stream of two-octet records on a pipe that never blocks.
struct Stream : TestPipe {
    Stream() { ::fcntl(in.lowlevel_fd(), F_SETFL, O_NONBLOCK); }
    void Send(const char* records, std::size_t length) {
        ASSERT_EQ(ssize_t(length), ::write(out.lowlevel_fd(), records, length));
    }
};

struct Outcome {
    bool alive;
    int cause;
    std::vector<std::string> records;
    std::string log;
};

Outcome Read(int fd, short revents) {
    Outcome o{false, 0, {}, {}};
    TestSupport::StreamCapture log(std::cerr);
    o.alive = Hardware::ReadDriverEvents(
        fd, revents, 2, "tonec",
        [&](const void* r) { o.records.emplace_back(static_cast<const char*>(r), 2); },
        &o.cause);
    o.log = log.str();
    return o;
}

}  // namespace

// The reader gives a driver up with the cause its services pass on (a CAS
// trunk's report carries it negated, and 0 there would say "opened"): the
// failed read's errno, ENODEV at the stream's end, EIO for a wake on an error
// or a hang-up with nothing to read. A driver kept has no cause.
TEST(DriverEvents, AGoneDriverIsGivenUpWithItsCause) {
    // The board is chosen once, at its first use, and the other cases of this
    // program run on the simulated one, which reads a pipe as the kernel does.
    ::setenv("HALVOXD_BOARD", "sim", 1);
    {
        Stream s;
        s.Send("abcd", 4);
        const Outcome o = Read(s.in.lowlevel_fd(), POLLIN);
        EXPECT_TRUE(o.alive);
        EXPECT_EQ(0, o.cause);
        EXPECT_EQ((std::vector<std::string>{"ab", "cd"}), o.records);
        EXPECT_EQ("", o.log);
    }
    for (short wake : {POLLERR, POLLHUP}) {
        Stream s;
        const Outcome o = Read(s.in.lowlevel_fd(), wake);
        EXPECT_FALSE(o.alive) << wake;
        EXPECT_EQ(EIO, o.cause) << wake;
        EXPECT_EQ("fail to read from tonec: device error\n", o.log);
    }
    {  // what was queued is still read before the end
        Stream s;
        s.Send("ab", 2);
        s.out.close();
        const Outcome o = Read(s.in.lowlevel_fd(), POLLIN | POLLHUP);
        EXPECT_FALSE(o.alive);
        EXPECT_EQ(ENODEV, o.cause);
        EXPECT_EQ(std::vector<std::string>{"ab"}, o.records);
        EXPECT_EQ("fail to read from tonec: end of stream\n", o.log);
    }
    {
        Stream s;
        const Outcome o = Read(s.out.lowlevel_fd(), POLLIN);  // a write end reads EBADF
        EXPECT_FALSE(o.alive);
        EXPECT_EQ(EBADF, o.cause);
        EXPECT_EQ("fail to read from tonec: Bad file descriptor\n", o.log);
    }
}
