#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "control/CDR_Sender.h"
#include "runtime/INet4Addr.h"

TEST(CDRSender, SendsToEveryListedAddressAndToNoOther) {
    Fd sockets[2];
    std::string ports[2];
    for (int i = 0; i < 2; ++i) {
        sockets[i] = Fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        // The second one is where 0.0.0.0 from a word that does not parse would land.
        INet4::Addr bound{std::string(i == 0 ? "127.0.0.1" : "0.0.0.0")};
        socklen_t size = INet4::Addr::size();
        ::bind(sockets[i].lowlevel_fd(), bound, size);
        ::getsockname(sockets[i].lowlevel_fd(), bound, &size);
        ports[i] = std::to_string(bound.port());
    }
    CDR_Sender::Sender sender;
    EXPECT_TRUE(sender.SendTo("record", " 127.0.0.1:" + ports[0] + "\n127.0.0.1:" + ports[1] +
                                            " host:" + ports[1] + " :" + ports[1] +
                                            " 127.0.0.1:99999 127.0.0.1 "));
    EXPECT_TRUE(sender.SendTo("", "127.0.0.1:" + ports[0]));
    EXPECT_TRUE(sender.SendTo("nobody", ""));
    const std::vector<std::string> expected[] = {{"record", ""}, {"record"}};
    for (int i = 0; i < 2; ++i) {
        std::vector<std::string> got;
        char buffer[64];
        for (ssize_t n; (n = ::recv(sockets[i].lowlevel_fd(), buffer, 64, MSG_DONTWAIT)) >= 0;)
            got.emplace_back(buffer, size_t(n));
        EXPECT_EQ(expected[i], got) << i;
    }
}

TEST(CDRSender, SendThatWouldWaitIsSkippedAtOnce) {
    // This host's loopback passes datagrams on at once, so no UDP socket of
    // the test ever waits; a TCP connection whose peer reads nothing, its send
    // buffer full, does, and takes the sender's descriptor number.
    const int small = 4096;  // buffers that fill after a few sends
    Fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ::setsockopt(listener.lowlevel_fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    INet4::Addr local{std::string("127.0.0.1")};
    socklen_t size = INet4::Addr::size();
    ASSERT_EQ(0, ::bind(listener.lowlevel_fd(), local, size));
    ASSERT_EQ(0, ::listen(listener.lowlevel_fd(), 1));
    ASSERT_EQ(0, ::getsockname(listener.lowlevel_fd(), local, &size));
    Fd full(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ::setsockopt(full.lowlevel_fd(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ASSERT_EQ(0, ::connect(full.lowlevel_fd(), local, size));
    Fd silent(::accept4(listener.lowlevel_fd(), nullptr, nullptr, SOCK_CLOEXEC));
    ASSERT_TRUE(silent);
    const std::string block(4096, 'x');
    while (::send(full.lowlevel_fd(), block.data(), block.size(), MSG_DONTWAIT) > 0) {
    }
    ASSERT_EQ(EAGAIN, errno);
    // A send that waits gives up after a second instead of holding the test.
    const timeval patience{1, 0};
    ::setsockopt(full.lowlevel_fd(), SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);

    const int next = ::dup(0);
    ::close(next);
    CDR_Sender::Sender sender;
    int protocol = 0;
    socklen_t length = sizeof protocol;
    ::getsockopt(next, SOL_SOCKET, SO_PROTOCOL, &protocol, &length);
    ASSERT_EQ(IPPROTO_UDP, protocol) << "the sender's socket is the lowest free descriptor";
    ASSERT_EQ(next, ::dup2(full.lowlevel_fd(), next));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(sender.SendTo(block, "127.0.0.1:9 127.0.0.1:9"));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 500);
}
