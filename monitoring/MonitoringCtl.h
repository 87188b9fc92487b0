// Board monitoring as the controller sees it: the last service bound to the
// controller server, taking the display command, and the reader of the SNMP
// agent links configured under "snmpagent".
#pragma once

#include "config/IniFile.h"
#include "control/CtrlSrvService.h"

class MonitoringCtl : public CtrlSrv::Service {
public:
    static MonitoringCtl& instance();

    // Reads one agent per "snmpagent" block (keys "host" and "name"); an
    // unopened file has no blocks.
    void Configure(IniFile::File& file);

    void OnConnect() override {}
    void OnDisconnect() override {}
    // Takes display and answers it with success.
    bool OnCommand(const LGCP::Command& command) override;

private:
    MonitoringCtl() = default;
};
