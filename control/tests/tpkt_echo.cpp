// A TPKT echo server on the controller transport, to watch the framing from
// outside (socat, tshark): every body received is sent back in its own frame.
//     tpkt_echo [--port N]      (20001 by default; stops on SIGTERM or SIGINT)
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "control/AcceptorNetCheckConnection.h"
#include "runtime/Multiplexer.h"
#include "runtime/Signal.h"

namespace {

class Echo : public Control::Notify {
public:
    explicit Echo(Control::Service& link) : link(link) {}
    void OnConnect() override { std::cout << "echo: connected" << std::endl; }
    void OnDisconnect() override { std::cout << "echo: disconnected" << std::endl; }
    void OnMessage(const char* data, int length) override { link.Send(data, length); }

private:
    Control::Service& link;
};

void Stop(int) { multiplexer.terminate(); }

}  // namespace

int main(int argc, char** argv) {
    int port = 20001;
    if (argc == 3 && std::strcmp(argv[1], "--port") == 0) {
        port = std::atoi(argv[2]);
    } else if (argc != 1) {
        std::cerr << "usage: tpkt_echo [--port N]" << std::endl;
        return 2;
    }
    IPC::Signal::handle(SIGTERM, Stop, 0);
    IPC::Signal::handle(SIGINT, Stop, 0);
    Control::AcceptorNetCheckConnection link(port);
    Echo echo(link);
    link.Bind(&echo);
    link.service_name("echo");
    link.Activate();
    std::cout << "echo: listening on port " << port << std::endl;
    multiplexer.run(false, true);
    link.Deactivate();
    return 0;
}
