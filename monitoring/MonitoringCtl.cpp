#include "monitoring/MonitoringCtl.h"

#include "config/IniReader.h"

#include <iostream>
#include <string>

MonitoringCtl& MonitoringCtl::instance() {
    static MonitoringCtl monitoring;
    return monitoring;
}

void MonitoringCtl::Configure(IniFile::File& file) {
    for (IniFile::SubSection& block : *file["snmpagent"]) {
        std::string host, name;
        IniFile::Reader reader("snmpagent: ", std::cerr);
        reader.required.add(&host, "host");
        reader.required.add(&name, "name");
        if (!reader(block)) continue;
        // The agent link's port and messages are not settled yet: no traffic.
        std::clog << "monitoring: SNMP agent \"" << name << "\" at " << host
                  << " configured, its link is not started" << std::endl;
    }
}

bool MonitoringCtl::OnCommand(const LGCP::Command& command) {
    if (!command.display_isSelected()) return false;
    Success();
    return true;
}
