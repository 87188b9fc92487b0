// The listening transport of the controller link: besides accepting, it
// checks the live connection every 1000 ms (TCP state and pending socket
// error), and after refusing a second controller it probes the live one with
// fast keepalive and drops it unless its congestion state recovers.
#pragma once

#include <cstdint>

#include "control/AcceptorNet.h"

namespace Control {

class AcceptorNetCheckConnection : public AcceptorNet {
public:
    enum class CheckConnectionState : std::int32_t { Idle = 0, CheckConnection = 1 };

    static constexpr unsigned check_period_ms = 1000;

    using AcceptorNet::AcceptorNet;

    // One check of the live connection, then the next in 1000 ms.
    void CheckConnection();
    void OnCheckConnectionTimeout(Timer*) { CheckConnection(); }
    // Probing (fast) or normal keepalive on the live connection.
    void SetupKeepAlive(bool fast);

protected:
    bool ImplActivate() override;
    void ImplDeactivate() override;
    void ImplOnDisconnect() override;
    void ImplRefuseConnection() override;
    // The check's copy of the socket; without it the connection is refused.
    int ImplConnected(const Fd& socket) override;

private:
    void StopChecking();

    Timer check_timer;
    // The check's own duplicate of the live connection's socket.
    Fd check_fd;
    CheckConnectionState check_state = CheckConnectionState::Idle;
    std::int32_t countdown = 0;
};

}  // namespace Control
