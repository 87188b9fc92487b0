// The heartbeat supervisor: answers ping, and drops a controller that has
// sent no command for 120000 ms. The watch starts with the first command of a
// connection, so a controller that never sends one is not dropped by it.
#pragma once

#include "control/CtrlSrvService.h"
#include "runtime/Timer.h"

#include <ostream>

class HeartBeatCtl : public CtrlSrv::Service {
public:
    static constexpr unsigned timeout_ms = 120000;

    static HeartBeatCtl& instance();

    void OnConnect() override {}
    void OnDisconnect() override { timer.reset(); }
    // Restarts the watch for every command; takes only ping.
    bool OnCommand(const LGCP::Command& command) override;

    void ResetTimeOut();
    void OnHeartbeatTimeout(Timer*);
    // "heartbeat: "
    void PutHeader(std::ostream& os) const { os << "heartbeat: "; }

private:
    HeartBeatCtl() = default;

    Timer timer;
};
