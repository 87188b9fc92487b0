// The clock source of the board's TDM bus (the clockCfg command), selected on
// "/dev/hal". While clock control is on, every controller connection and
// disconnection returns the bus to the board's own free-running clock.
#pragma once

#include "control/CtrlSrvService.h"
#include "runtime/Fd.h"

#include <ostream>

class BusCtl : public CtrlSrv::Service {
public:
    static BusCtl& instance();

    // The daemon's one service is instance(); tests make their own.
    BusCtl() = default;

    // For --disable-clock at start-up: from then on clockCfg is refused with
    // error 6 and the device is never opened or told anything.
    void DisableControl();

    void OnConnect() override;
    void OnDisconnect() override;
    bool OnCommand(const LGCP::Command& command) override;

    // {internal, disabled, -1}: code 4, the free-running clock.
    void SetDefaultClock();
    void SetClockSrc(const LGCP::ClockCfg& cfg);
    void DrvSetClkSrc(int code);
    // Opens the device on demand (never while control is off); a failed open
    // is tried again at the next call.
    bool IsOpen();

    // "clkctl: "
    void PutHeader(std::ostream& os) const;

    static constexpr int freeRunning = 4;
    static constexpr int externalDisabled = 5;

private:
    Fd hal;
    bool controlEnabled = true;
};
