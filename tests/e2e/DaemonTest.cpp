#include "tests/e2e/DaemonTest.h"

#include "tests/e2e/BoardControl.h"

#include <cstdio>
#include <cstdlib>

void DaemonTest::StartOnBoard() {
    daemon.environment["HALVOXD_BOARD_CTL"] = BoardControl::path;
    StartAndConnect();
}

std::string DaemonTest::Exchange(const std::string& body, unsigned limitMs) {
    if (!controller.Send(body)) return "not sent";
    std::string answer;
    if (!controller.ReadFrame(answer, limitMs)) return "no answer";
    return Hex(answer);
}

std::string DaemonTest::Hex(const std::string& octets) {
    std::string text;
    char two[4];
    for (unsigned char c : octets) {
        std::snprintf(two, sizeof two, text.empty() ? "%02X" : " %02X", c);
        text += two;
    }
    return text;
}

std::string DaemonTest::Octets(const char* hex) {
    std::string octets;
    for (const char* p = hex; *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        octets.push_back(char(std::strtoul(std::string(p, 2).c_str(), nullptr, 16)));
        p += 2;
    }
    return octets;
}
