// Fixture of the end-to-end tests: private namespaces with empty /var/run,
// /var/log and /usr/local/etc, the daemon, and the test controller. Every
// case that started the daemon ends by stopping it with SIGTERM and expects
// exit status 0 and the pid file gone, and the board's control socket too
// when the case had one.
#pragma once

#include "tests/e2e/BoardControl.h"
#include "tests/e2e/ControllerClient.h"
#include "tests/e2e/DaemonProcess.h"
#include "tests/support/Isolation.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class DaemonTest : public ::testing::Test {
protected:
    static constexpr std::uint16_t port = 20001;

    void SetUp() override { HALVOX_ISOLATE("/var/run", "/var/log", "/usr/local/etc"); }

    // Starts the daemon on the port and connects the controller.
    void StartAndConnect() {
        ASSERT_TRUE(daemon.StartServing()) << daemon.Output();
        ASSERT_TRUE(controller.Connect(port)) << daemon.Output();
        ASSERT_TRUE(daemon.WaitFor("controller connect.")) << daemon.Output();
    }
    // The same with the simulated board's control socket at BoardControl::path.
    void StartOnBoard() {
        daemon.environment["HALVOXD_BOARD_CTL"] = BoardControl::path;
        StartAndConnect();
    }
    // Starts the daemon on the board HALVOXD_BOARD names, which it must
    // refuse before anything opens or serves: the line alone, status 2.
    void ExpectBoardRefused(const char* board, const std::string& line) {
        daemon.environment["HALVOXD_BOARD"] = board;
        ASSERT_TRUE(daemon.Start({"--port", "20001"}));
        const int status = daemon.WaitExit();
        ASSERT_TRUE(WIFEXITED(status)) << status << "\n" << daemon.Output();
        EXPECT_EQ(2, WEXITSTATUS(status));
        EXPECT_EQ(line + "\n", daemon.Err());
        EXPECT_EQ("", daemon.Out());
        EXPECT_NE(0, ::access(DaemonProcess::pidPath, F_OK));
    }
    void ExpectCleanStop() {
        EXPECT_TRUE(daemon.Stop()) << daemon.Output();
        if (daemon.environment.count("HALVOXD_BOARD_CTL")) {
            EXPECT_NE(::access(BoardControl::path, F_OK), 0) << daemon.Output();
        }
    }

    // Sends one body and returns the body of the next frame, in hex.
    std::string Exchange(const std::string& body) {
        std::string answer;
        if (!controller.Send(body)) return "not sent";
        return controller.ReadFrame(answer) ? Lgcp::Hex(answer) : "no answer";
    }
    // Sends one body and describes the next answer ("success seq=1 slot=17").
    std::string Answer(const std::string& body) {
        return controller.Send(body) ? controller.ReadAnswer() : "not sent";
    }
    // The same, with the frames that follow it up to count in all.
    std::vector<std::string> Answers(const std::string& body, unsigned count) {
        std::vector<std::string> got{Answer(body)};
        while (got.size() < count) got.push_back(controller.ReadAnswer());
        return got;
    }

    DaemonProcess daemon;
    ControllerClient controller;
};
