#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <chrono>
#include <cstddef>
#include <iterator>

#include "control/AcceptorNetCheckConnection.h"
#include "control/Tpkt_protocol.h"
#include "control/tests/TransportHarness.h"
#include "runtime/Errno.h"
#include "runtime/Multiplexer.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/Fork.h"
#include "tests/support/StreamCapture.h"

using namespace TransportTest;

namespace {

class Transport : public IsolatedLoopback {};

int TcpOption(int fd, int option) {
    int value = -1;
    socklen_t size = sizeof value;
    ::getsockopt(fd, IPPROTO_TCP, option, &value, &size);
    return value;
}

// A transport that has taken over one peer, with its user.
struct Link {
    explicit Link(Control::AcceptorNet* t) : transport(t) {
        transport->Bind(&user);
        transport->service_name("test");
        transport->Activate();
    }
    ~Link() { transport->Deactivate(); }
    bool Accept(Peer& peer) {
        return peer.Connected() && RunUntil([&] { return transport->IsConnected(); }, 2000);
    }

    Recorder user;
    std::unique_ptr<Control::AcceptorNet> transport;
};

}  // namespace

TEST_F(Transport, DeliversFramesInOrderAndWritesFramedAnswers) {
    TestSupport::StreamCapture out(std::cout);
    Link link(new Control::AcceptorNet(port));
    Peer peer;
    ASSERT_TRUE(link.Accept(peer));
    EXPECT_EQ(std::vector<std::string>{"connect"}, link.user.calls);
    const std::string address = "127.0.0.1:" + std::to_string([&] {
                                    sockaddr_in a{};
                                    socklen_t n = sizeof a;
                                    ::getsockname(peer.fd(), reinterpret_cast<sockaddr*>(&a), &n);
                                    return ntohs(a.sin_port);
                                }());
    EXPECT_EQ(address, link.transport->GetAddr());
    EXPECT_EQ("new connection from " + address + "\n", out.str());

    // Answers written while one read is handed up are all out when it ends, also
    // when its last message is not answered.
    link.user.onMessage = [&](const std::string& m) {
        if (m != "three") link.transport->Send(m.data(), int(m.size()));
    };
    peer.Write(Frame("one") + Frame("") + Frame("three"));
    ASSERT_TRUE(RunUntil([&] { return link.user.messages.size() == 3; }, 2000));
    EXPECT_EQ((std::vector<std::string>{"one", "", "three"}), link.user.messages);
    EXPECT_EQ(Frame("one") + Frame(""), peer.ReadAvailable());
    link.user.onMessage = nullptr;

    link.transport->Send("pong", 4);
    link.transport->Send("", 0);
    EXPECT_EQ(Frame("pong") + Frame(""), peer.ReadAvailable());

    // The peer closing is a connection loss; what it sent last still arrives.
    peer.Write(Frame("last words"));
    peer.Close();
    ASSERT_TRUE(RunUntil([&] { return link.user.Count("disconnect") == 1; }, 2000));
    EXPECT_EQ("last words", link.user.messages.back());
}

TEST_F(Transport, WriteToAPeerThatNeverReadsGivesUpAboutOneSecondAfterItBlocked) {
    TestSupport::StreamCapture errors(std::cerr);
    Link link(new Control::AcceptorNet(port));
    Peer peer;
    ASSERT_TRUE(link.Accept(peer));
    const std::string message(60000, 'm');
    std::chrono::steady_clock::duration blocked{};
    for (int i = 0; i < 200 && link.transport->IsConnected(); ++i) {
        const auto start = std::chrono::steady_clock::now();
        link.transport->Send(message.data(), int(message.size()));
        blocked = std::chrono::steady_clock::now() - start;
    }
    ASSERT_FALSE(link.transport->IsConnected());
    EXPECT_GE(blocked, std::chrono::milliseconds(990));
    EXPECT_LE(blocked, std::chrono::milliseconds(1300));
    EXPECT_EQ(1u, link.transport->GetOverflowCounter());
    EXPECT_TRUE(Contains(errors.str(), "SockStream[test]: write timeout, sendbuf="));
    EXPECT_TRUE(Contains(errors.str(), ", outq="));
    // Further messages of the same turn are dropped without a word.
    link.transport->Send("late", 4);
    EXPECT_EQ(1u, Occurrences(errors.str(), "write timeout"));
    EXPECT_FALSE(Contains(errors.str(), "ignore Send request"));
    ASSERT_TRUE(RunUntil([&] { return link.user.Count("disconnect") == 1; }, 2000));
    EXPECT_EQ(Control::Service::State::Connecting, link.transport->GetState());
    EXPECT_TRUE(peer.SeesClose(2000));
}

TEST_F(Transport, WriteFailureInsideTheReadCallbackDropsTheRestQuietly) {
    TestSupport::StreamCapture errors(std::cerr);
    Link link(new Control::AcceptorNet(port));
    Peer peer;
    ASSERT_TRUE(link.Accept(peer));
    link.user.onMessage = [&](const std::string&) {
        ::shutdown(peer.ServerSide(), SHUT_WR);
        link.transport->Send("answer", 6);
        link.transport->Send("signal", 6);
    };
    peer.Write(Frame("a") + Frame("b") + Frame("c"));
    ASSERT_TRUE(RunUntil([&] { return link.user.Count("disconnect") == 1; }, 2000));
    EXPECT_EQ(std::vector<std::string>{"a"}, link.user.messages);
    EXPECT_EQ(1u, Occurrences(errors.str(), "SockStream[test]: write error"));
    EXPECT_TRUE(Contains(errors.str(), ", error=Broken pipe"));
    EXPECT_EQ(1u, link.transport->GetOverflowCounter());
    EXPECT_TRUE(peer.SeesClose(1000));
}

TEST_F(Transport, SecondConnectionIsRefusedAtOnceAndTheFirstIsProbed) {
    TestSupport::StreamCapture errors(std::cerr);
    Link link(new Control::AcceptorNetCheckConnection(port));
    Peer first;
    ASSERT_TRUE(link.Accept(first));
    const int live = first.ServerSide();
    ASSERT_GE(live, 0);
    EXPECT_EQ(7200, TcpOption(live, TCP_KEEPIDLE));

    Peer second;
    ASSERT_TRUE(second.Connected());
    EXPECT_TRUE(second.SeesClose(1000));
    EXPECT_TRUE(Contains(errors.str(), "refuse connection from 127.0.0.1:"));
    EXPECT_EQ(1u, Occurrences(errors.str(), "CheckConnectionState CheckConnection"));
    EXPECT_EQ(1, TcpOption(live, TCP_KEEPIDLE));
    EXPECT_EQ(1, TcpOption(live, TCP_KEEPINTVL));
    EXPECT_EQ(3, TcpOption(live, TCP_KEEPCNT));

    Peer third;  // refused too; the probing is not restarted
    EXPECT_TRUE(third.SeesClose(1000));
    EXPECT_EQ(2u, Occurrences(errors.str(), "refuse connection from"));
    EXPECT_EQ(1u, Occurrences(errors.str(), "CheckConnectionState CheckConnection"));

    first.Write(Frame("still here"));
    ASSERT_TRUE(RunUntil([&] { return !link.user.messages.empty(); }, 1000));
    // A healthy connection ends the probing at the next check.
    ASSERT_TRUE(
        RunUntil([&] { return Contains(errors.str(), "CheckConnectionState Idle"); }, 2500));
    EXPECT_EQ(7200, TcpOption(live, TCP_KEEPIDLE));
    EXPECT_EQ(75, TcpOption(live, TCP_KEEPINTVL));
    EXPECT_EQ(9, TcpOption(live, TCP_KEEPCNT));
    EXPECT_TRUE(link.transport->IsConnected());
    EXPECT_EQ(std::vector<std::string>{"connect"}, link.user.calls);
}

TEST_F(Transport, DisconnectClosesEveryCopyOfTheSocketAndTellsTheUserLater) {
    TestSupport::StreamCapture errors(std::cerr);
    Link link(new Control::AcceptorNetCheckConnection(port));
    Peer peer;
    ASSERT_TRUE(link.Accept(peer));
    link.transport->Disconnect();
    EXPECT_EQ(Control::Service::State::Deactivating, link.transport->GetState());
    EXPECT_EQ(std::vector<std::string>{"connect"}, link.user.calls);
    link.transport->Disconnect();  // already going down: nothing more
    EXPECT_EQ(1u, Occurrences(errors.str(), "control connection 127.0.0.1:"));
    EXPECT_TRUE(Contains(errors.str(), " closed.\n"));
    EXPECT_TRUE(peer.SeesClose(1000));
    ASSERT_TRUE(RunUntil([&] { return link.user.Count("disconnect") == 1; }, 1000));
    EXPECT_EQ(Control::Service::State::Connecting, link.transport->GetState());
    EXPECT_EQ(-1, peer.ServerSide());

    Peer next;
    ASSERT_TRUE(link.Accept(next));
    EXPECT_EQ((std::vector<std::string>{"connect", "disconnect", "connect"}), link.user.calls);
}

TEST_F(Transport, SendOutsideAConnectionIsIgnoredAndOverlongMessagesAreRefused) {
    TestSupport::StreamCapture errors(std::cerr);
    Link link(new Control::AcceptorNet(port));
    link.transport->Send("x", 1);
    EXPECT_EQ("Control::Service::Send() ignore Send request in Connecting state.\n", errors.str());
    Peer peer;
    ASSERT_TRUE(link.Accept(peer));
    const std::string huge(Tpkt_protocol::max_body + 1, 'h');
    link.transport->Send(huge.data(), int(huge.size()));
    EXPECT_TRUE(Contains(errors.str(), "refuse a message of 65532 octets"));
    EXPECT_TRUE(link.transport->IsConnected());
    EXPECT_EQ("", peer.ReadAvailable());
}

TEST_F(Transport, PortInUseIsBoundAgainEveryFiveSecondsUntilItIsFree) {
    TestSupport::StreamCapture errors(std::cerr);
    FakeClock clock(10000);
    Listener squatter;
    ASSERT_TRUE(squatter.Listening());
    Recorder user;
    Control::AcceptorNetCheckConnection transport(port);
    transport.Bind(&user);
    ASSERT_TRUE(transport.Activate());
    const std::string line = "can't bind to socket: \"Address already in use\"  waiting...\n";
    EXPECT_EQ(line, errors.str());
    LoopDriver driver(&clock, 1);
    driver.Run(4999);
    EXPECT_EQ(1u, Occurrences(errors.str(), line));
    driver.Run(2);
    EXPECT_EQ(2u, Occurrences(errors.str(), line));
    squatter.Close();
    driver.Run(5000);
    EXPECT_EQ(2u, Occurrences(errors.str(), line));
    Peer peer;
    ASSERT_TRUE(peer.Connected());
    driver.Run(10);
    EXPECT_EQ(std::vector<std::string>{"connect"}, user.calls);
    transport.Deactivate();
}

// The listening socket, or the watch's copy of it, cannot be made when the
// transport starts: either is made again as after a failed bind, so the
// daemon's one way in opens once descriptors are back instead of staying shut
// while the kernel queues connections nobody takes.
TEST_F(Transport, AListenerShortOfDescriptorsIsMadeAgainOnceTheyAreBack) {
    const struct {
        bool checked;    // the controller link's acceptor, which starts without listening
        unsigned spare;  // the listening socket, but not its watch's copy
    } rows[] = {{false, 0}, {true, 0}, {false, 1}, {true, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.checked ? "checked, " : "plain, ") +
                     (row.spare ? "no copy" : "no socket"));
        TestSupport::StreamCapture errors(std::cerr);
        FakeClock clock(1000);
        Recorder user;
        std::unique_ptr<Control::AcceptorNet> transport(
            row.checked ? new Control::AcceptorNetCheckConnection(port)
                        : new Control::AcceptorNet(port));
        transport->Bind(&user);
        // Started and stopped, a line written and the retry's timer made while
        // descriptors are left: the sanitizers see the path.
        transport->Activate();
        transport->Deactivate();
        std::cerr << std::endl;
        Control::Acceptor<Control::ServiceNet>* acceptor = transport.get();
        Timer().set(0, &Control::AcceptorNet::OnTimeout, acceptor);
        {
            DescriptorLimit limit(row.spare);
            EXPECT_TRUE(transport->Activate());
        }
        EXPECT_EQ(Control::Service::State::Connecting, transport->GetState());
        EXPECT_EQ(1u, Occurrences(errors.str(), "Too many open files, trying again in 5000 ms\n"));
        {
            Peer early;  // refused, or queued where nobody takes it
            RunFor(20);
            EXPECT_TRUE(user.calls.empty());
        }
        clock.advanceMs(Control::AcceptorNet::bind_retry_ms);
        LoopDriver(&clock).Run(1);
        Peer peer;
        ASSERT_TRUE(peer.Connected());
        EXPECT_TRUE(RunUntil([&] { return transport->IsConnected(); }, 2000));
        EXPECT_EQ(std::vector<std::string>{"connect"}, user.calls);
        EXPECT_EQ(1u, Occurrences(errors.str(), "Too many open files"));
        transport->Deactivate();
    }
}

namespace {

// From here on this process's socket() fails with EACCES, as where a
// security policy forbids it; false when the kernel refuses the filter.
bool ForbidSockets() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_socket, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

}  // namespace

// A retry of the listening socket that fails for good, not for want of
// descriptors, stops the transport as a failure at start does: one line and
// Idle, not Connecting for ever with no socket and nothing left to try. The
// filter cannot be lifted, so the case runs in a child of its own.
TEST_F(Transport, AListenerRetryThatFailsForGoodStopsTheTransport) {
    TestSupport::StreamCapture errors(std::cerr);
    const pid_t child = TestSupport::ForkAlone();
    ASSERT_LE(0, child) << Errno();
    if (child == 0) {
        FakeClock clock(1000);
        Control::AcceptorNet transport(port);
        // The sanitizers see the path while descriptors are left.
        transport.Activate();
        transport.Deactivate();
        std::cerr << std::endl;
        Control::Acceptor<Control::ServiceNet>* acceptor = &transport;
        Timer().set(0, &Control::AcceptorNet::OnTimeout, acceptor);
        {
            DescriptorLimit limit(0);
            if (!transport.Activate()) ::_exit(10);
        }
        if (!ForbidSockets()) ::_exit(11);
        clock.advanceMs(Control::AcceptorNet::bind_retry_ms);
        LoopDriver(&clock).Run(1);
        const bool stopped = transport.GetState() == Control::Service::State::Idle;
        const bool said = Occurrences(errors.str(), "can't create socket:Permission denied\n") == 1;
        ::_exit(stopped && said ? 0 : stopped ? 12 : 13);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status)) << status;
    if (WEXITSTATUS(status) == 11) GTEST_SKIP() << "the kernel refuses a seccomp filter";
    EXPECT_EQ(0, WEXITSTATUS(status))
        << "10: not started short of descriptors, 12: the line missing, 13: not stopped";
}

// The copies of the socket a take-over makes fail in turn, each alone: the
// stream layer's, its event's, and the check's of the controller link. Each
// time the connection is refused before anyone hears of it, and the next one
// is served once descriptors are free.
TEST_F(Transport, ATakeOverShortOfDescriptorsRefusesTheConnectionWhole) {
    const struct {
        bool checked;    // the controller link's acceptor, whose check keeps a copy
        unsigned spare;  // the accepted socket and the copies that still succeed
    } rows[] = {{true, 1}, {false, 2}, {true, 3}};
    for (const auto& row : rows) {
        TestSupport::StreamCapture errors(std::cerr);
        Link link(row.checked ? new Control::AcceptorNetCheckConnection(port)
                              : new Control::AcceptorNet(port));
        {
            // Served and lost while descriptors are left: the sanitizers see the path.
            Peer served;
            ASSERT_TRUE(link.Accept(served));
            served.Close();
            ASSERT_TRUE(RunUntil([&] { return link.user.Count("disconnect") == 1; }, 2000));
        }
        const std::string refusal = "can't take over connection from 127.0.0.1:";
        Peer refused;
        ASSERT_TRUE(refused.Connected());
        {
            DescriptorLimit limit(row.spare);
            RunUntil(
                [&] { return Contains(errors.str(), refusal) || link.user.Count("connect") > 1; },
                2000);
        }
        EXPECT_EQ(1u, Occurrences(errors.str(), refusal)) << row.spare;
        EXPECT_TRUE(Contains(errors.str(), ": Too many open files\n")) << row.spare;
        EXPECT_TRUE(refused.SeesClose(1000)) << row.spare;
        EXPECT_FALSE(link.transport->IsConnected()) << row.spare;
        Peer next;
        EXPECT_TRUE(link.Accept(next)) << row.spare;
        EXPECT_EQ((std::vector<std::string>{"connect", "disconnect", "connect"}), link.user.calls)
            << row.spare;
        EXPECT_FALSE(Contains(errors.str(), "Bad file descriptor")) << row.spare;
    }
}

TEST_F(Transport, AcceptShortOfDescriptorsRestsASecondInsteadOfSpinning) {
    TestSupport::StreamCapture errors(std::cerr);
    FakeClock clock(1000);
    Link link(new Control::AcceptorNet(port));
    {
        // Served and lost, and the pause's timer made, while descriptors are
        // left: the sanitizers see the path.
        Peer served;
        ASSERT_TRUE(link.Accept(served));
        served.Close();
        ASSERT_TRUE(RunUntil([&] { return link.user.Count("disconnect") == 1; }, 2000));
        SeeAcceptPause();
    }
    Peer waiting;  // queued by the kernel until the acceptor can take it
    EXPECT_GE(RunShortOfDescriptors(clock, 0, 20), std::chrono::milliseconds(60));
    const std::string pause =
        "can't accept connection: Too many open files, accepting again in 1000 ms\n";
    EXPECT_EQ(1u, Occurrences(errors.str(), pause));
    LoopDriver(&clock).Run(5);
    EXPECT_FALSE(link.transport->IsConnected());  // the pause holds with descriptors free
    clock.advanceMs(AcceptPause::pause_ms);
    LoopDriver(&clock).Run(5);
    EXPECT_TRUE(link.transport->IsConnected());
    EXPECT_EQ((std::vector<std::string>{"connect", "disconnect", "connect"}), link.user.calls);
}
