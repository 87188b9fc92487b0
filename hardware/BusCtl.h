// The clock source of the board's TDM bus (the clockCfg command), selected on
// "/dev/hal". While clock control is on, every controller connection and
// disconnection returns the bus to the board's own free-running clock.
//
// The command is answered with success whatever the driver did, so the
// select is owed as OwedRequests keeps it: the latest one is asked again at
// the device's next open and each second until the driver takes it, unless
// refused as invalid. Every failure line reads "clkctl: ", the failure's
// words and " [cause=<error>]", one a second at most for each request.
#pragma once

#include "control/CtrlSrvService.h"
#include "hardware/DeviceNode.h"
#include "hardware/OwedRequests.h"

#include <cstddef>
#include <optional>
#include <ostream>
#include <vector>

class BusCtl : public CtrlSrv::Service {
public:
    static BusCtl& instance();

    // The daemon's one service is instance(); tests make their own.
    BusCtl();

    // For --disable-clock at start-up: from then on clockCfg is refused with
    // error 6 and the device is never opened or told anything.
    void DisableControl();

    void OnConnect() override;
    void OnDisconnect() override;
    bool OnCommand(const LGCP::Command& command) override;

    // {internal, disabled, -1}: code 4, the free-running clock.
    void SetDefaultClock();
    // Without the device no line may drive the bus clock either: every line
    // is left slave, and the select waits, owed, for the device to open.
    void SetClockSrc(const LGCP::ClockCfg& cfg);
    // Selects the code now, or owes it. One the board will never take
    // (refused as invalid) leaves the latest select asked since the one the
    // driver took and not refused so as the one to hold.
    void DrvSetClkSrc(int code);
    // Opens the device on demand (never while control is off); a failed open
    // is tried again at the next call.
    bool IsOpen();

    // "clkctl: "
    void PutHeader(std::ostream& os) const;

    static constexpr int freeRunning = 4;
    static constexpr int externalDisabled = 5;
    // The most selects kept as asked: a controller asking thousands of
    // values the driver never takes leaves the daemon flat in memory.
    static constexpr std::size_t askedBound = 16;

private:
    void Failed(const char* words, int error) const;
    // The driver took the code: what was asked before it is moot.
    void Took(int code);

    // The select, while the driver has not taken it.
    Hardware::OwedRequests owed;
    // The selects asked since the one the driver took, that one first while
    // it is among them, each once and the latest last, none refused as
    // invalid; the oldest goes first past the bound.
    std::vector<int> asked;
    // The select the driver took last.
    std::optional<int> took;
    // The select last owed: what the key owes, while it owes anything.
    std::optional<int> owing;
    Hardware::DeviceNode hal;
    bool controlEnabled = true;
};
