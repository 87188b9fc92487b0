// The end-to-end tests' side of the simulated board's control socket: the
// daemon runs with HALVOXD_BOARD_CTL=path, and each request line gets one
// reply line ("/dev/hal route 8458" -> "8458 const 0x5A").
#pragma once

#include "tests/support/BoardControlClient.h"

#include <string>
#include <unistd.h>

class BoardControl {
public:
    static constexpr const char* path = "/var/run/board-sim.ctl";

    // The reply without its newline; "no reply" when the socket does not
    // answer within limitMs. The daemon may still be starting: its socket
    // appears with the board.
    static std::string Ask(const std::string& line, unsigned limitMs = 2000) {
        return TestSupport::BoardControlClient(path, limitMs).Ask(line, limitMs);
    }
    // Asks every 10 ms until the reply is the one expected, for at most
    // limitMs; the last reply.
    static std::string AskUntil(const std::string& line, const std::string& expected,
                                unsigned limitMs = 2000) {
        std::string reply;
        for (unsigned waited = 0; (reply = Ask(line)) != expected && waited < limitMs; waited += 10)
            ::usleep(10000);
        return reply;
    }
};
