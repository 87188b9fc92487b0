// The test's side of the simulated board's control socket: the daemon runs
// with HALVOXD_BOARD_CTL=path, and each request line gets one reply line
// ("/dev/hal route 8458" -> "8458 const 0x5A").
#pragma once

#include <string>

class BoardControl {
public:
    static constexpr const char* path = "/var/run/board-sim.ctl";

    // The reply without its newline; "no reply" when the socket does not
    // answer within limitMs.
    static std::string Ask(const std::string& line, unsigned limitMs = 2000);
};
