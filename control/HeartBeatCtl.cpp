#include "control/HeartBeatCtl.h"

#include "control/CtrlSrvServer.h"

#include <iostream>

HeartBeatCtl& HeartBeatCtl::instance() {
    static HeartBeatCtl heartbeat;
    return heartbeat;
}

bool HeartBeatCtl::OnCommand(const LGCP::Command& command) {
    ResetTimeOut();
    if (!command.ping_isSelected()) return false;
    Success();
    return true;
}

void HeartBeatCtl::ResetTimeOut() {
    timer.set(timeout_ms, &HeartBeatCtl::OnHeartbeatTimeout, this);
}

void HeartBeatCtl::OnHeartbeatTimeout(Timer*) {
    std::clog << "heartbeat timeout!!!" << std::endl;
    ctrlServer.OnHeartbeatTimeout();
}
