// The factory of PPP and fax modem slots (create alternative `modem`).
// One per process, created by the daemon at start-up in its factory order.
#pragma once

class ModemFactory {
public:
    static ModemFactory& instance();
    ModemFactory(const ModemFactory&) = delete;
    ModemFactory& operator=(const ModemFactory&) = delete;

private:
    ModemFactory() = default;
};
