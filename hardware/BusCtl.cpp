#include "hardware/BusCtl.h"

#include "config/StreamManip.h"
#include "hardware/BoardDevices.h"
#include "hardware/DevNames.h"
#include "hardware/HalDriver.h"
#include "hardware/spiCtrl.h"

#include <cstdint>
#include <fcntl.h>
#include <iostream>

namespace {

const char* const clockNames[] = {"f0", "f1", "f2", "f3", "freerun", "X3", "?1", "?2"};
constexpr int clockNameCount = int(sizeof clockNames / sizeof clockNames[0]);

// The driver takes codes the table has no name for: those show as numbers.
struct ClockName {
    int code;
};

std::ostream& operator<<(std::ostream& os, ClockName name) {
    if (name.code >= 0 && name.code < clockNameCount) return os << clockNames[name.code];
    return os << name.code;
}

}  // namespace

BusCtl& BusCtl::instance() {
    static BusCtl bus;
    return bus;
}

void BusCtl::PutHeader(std::ostream& os) const { os << "clkctl: "; }

void BusCtl::DisableControl() {
    std::clog << ext::header(this) << "clock control disabled." << std::endl;
    controlEnabled = false;
}

void BusCtl::OnConnect() {
    if (controlEnabled) SetDefaultClock();
}

void BusCtl::OnDisconnect() {
    if (controlEnabled) SetDefaultClock();
}

bool BusCtl::OnCommand(const LGCP::Command& command) {
    if (!command.clockCfg_isSelected()) return false;
    if (!controlEnabled) {
        Error(LGCP::ErrorCause::unsupported);
        return true;
    }
    SetClockSrc(command.get_clockCfg());
    Success();
    return true;
}

void BusCtl::SetDefaultClock() {
    LGCP::ClockCfg cfg;
    cfg.set_clkSel0(LGCP::ClkSel0::internal);
    cfg.set_bextEn(LGCP::BExtEn::disabled);
    cfg.set_source(-1);
    SetClockSrc(cfg);
}

bool BusCtl::IsOpen() {
    if (hal.is_valid()) return true;
    if (!controlEnabled) return false;
    hal = Fd(Board::devices().open(GetHalDevName(), O_RDWR));
    return hal.is_valid();
}

void BusCtl::SetClockSrc(const LGCP::ClockCfg& cfg) {
    if (!IsOpen()) {
        // Without the HAL no line device may drive the bus clock either.
        spiCtrl::instance().clock(-1);
        std::cerr << ext::header(this) << "set clock source fail: code 1." << std::endl;
        return;
    }
    std::cerr << ext::header(this) << "set clock source cmd: " << cfg << std::endl;
    if (cfg.get_clkSel0() == LGCP::ClkSel0::internal) return DrvSetClkSrc(freeRunning);
    const int source = cfg.get_source().getValue();
    switch (cfg.get_bextEn()) {
        case LGCP::BExtEn::enabled:
            if (source >= 0) DrvSetClkSrc(source);
            break;
        case LGCP::BExtEn::disabled:
            DrvSetClkSrc(externalDisabled);
            break;
    }
}

void BusCtl::DrvSetClkSrc(int code) {
    if (!IsOpen()) {
        std::cerr << ext::header(this) << "device open error" << std::endl;
        return;
    }
    std::int32_t argument = code;
    if (Board::devices().ioctl(hal.lowlevel_fd(), Hal::HW_CLOCK_SELECT, &argument) < 0)
        std::cerr << ext::header(this) << "HW_CLOCK_SELECT fail." << std::endl;
    else
        std::cerr << ext::header(this) << "clock source = " << ClockName{code} << std::endl;
}
