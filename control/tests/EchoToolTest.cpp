#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "control/tests/TransportHarness.h"
#include "tests/support/Isolation.h"

using namespace TransportTest;

// The echo tool as a user runs it: a separate process on the loopback.
TEST(EchoTool, SendsEveryFrameBackAndStopsCleanlyOnSigterm) {
    HALVOX_ISOLATE();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execl(TPKT_ECHO_PATH, "tpkt_echo", "--port", "20001", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::unique_ptr<Peer> peer;
    for (int i = 0; i < 200 && !(peer && peer->Connected()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        peer = std::make_unique<Peer>();
    }
    ASSERT_TRUE(peer->Connected());
    const std::string frames = Frame("ping") + Frame("") + Frame(std::string(1000, 'q'));
    peer->Write(frames.substr(0, 5));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    peer->Write(frames.substr(5));
    std::string echoed;
    for (int i = 0; i < 200 && echoed.size() < frames.size(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        echoed += peer->ReadAvailable();
    }
    EXPECT_EQ(frames, echoed);
    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
}
