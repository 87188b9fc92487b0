// A test's client of the simulated board's control socket
// (HALVOXD_BOARD_CTL, Board::SimControl), where each request line gets one
// reply line. The socket is served by a daemon process, or in-process by this
// thread's own main loop, which the test then runs (serve) while it waits.
#pragma once

#include <functional>
#include <string>

namespace TestSupport {

class BoardControlClient {
public:
    // What Ask answers when no whole reply line came.
    static constexpr const char* noReply = "no reply";
    // A few turns of the server's side, run while the client waits.
    using Serve = std::function<void()>;

    // Connects to the socket at path; while it is not there yet (a daemon
    // still starting), tries again every 10 ms for up to waitMs.
    explicit BoardControlClient(const std::string& path, unsigned waitMs = 0);
    ~BoardControlClient() { Close(); }
    BoardControlClient(const BoardControlClient&) = delete;
    BoardControlClient& operator=(const BoardControlClient&) = delete;

    bool Connected() const { return sock >= 0; }
    // Sends the octets whole; false when they did not all go.
    bool Send(const std::string& text);
    // What has arrived and was not taken yet, without waiting.
    std::string Available();
    // The reply to one line, without its newline; noReply when none came
    // whole within limitMs of real time or the connection closed first. With
    // serve, the client looks without waiting, serve running between looks.
    std::string Ask(const std::string& line, unsigned limitMs = 2000, const Serve& serve = {});
    // The server sees the connection go.
    void Close();
    // The server sees the end of the client's lines; replies still come.
    bool EndLines();

private:
    // Appends what has arrived to received; false once the connection has
    // closed or failed.
    bool Receive();

    int sock = -1;
    std::string received;
};

}  // namespace TestSupport
