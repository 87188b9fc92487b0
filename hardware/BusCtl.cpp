#include "hardware/BusCtl.h"

#include "config/StreamManip.h"
#include "hardware/BoardDevices.h"
#include "hardware/DevNames.h"
#include "hardware/HalDriver.h"
#include "hardware/spiCtrl.h"
#include "runtime/Errno.h"

#include <algorithm>
#include <cstdint>
#include <fcntl.h>
#include <iostream>
#include <utility>

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

// The bus has one clock: each select replaces the one owed before it.
constexpr Hardware::RequestKey selectKey{0, std::uint32_t(Hal::HW_CLOCK_SELECT)};

void Remove(std::vector<int>& selects, int code) {
    selects.erase(std::remove(selects.begin(), selects.end(), code), selects.end());
}

}  // namespace

BusCtl& BusCtl::instance() {
    static BusCtl bus;
    return bus;
}

BusCtl::BusCtl()
    : hal(GetHalDevName(), O_RDWR, &owed,
          [this](int error) { Failed("device open error", error); }) {}

bool BusCtl::IsOpen() { return controlEnabled && hal.Open() == 0; }

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

void BusCtl::SetClockSrc(const LGCP::ClockCfg& cfg) {
    if (!IsOpen())
        spiCtrl::instance().clock(-1);
    else
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

// A select dropped at its retry leaves nothing owed, though it may have
// replaced ones the driver could still take: the latest of them is asked
// again, and so on back to the one the driver took. One refused as invalid
// at its ask leaves what the key owed, unless that is an older select of
// the same code, which the driver would refuse so as well.
void BusCtl::DrvSetClkSrc(int code) {
    using Hardware::Outcome;
    Remove(asked, code);
    asked.push_back(code);
    if (asked.size() > askedBound) asked.erase(asked.begin());
    Hardware::OwedRequests::Request select;
    select.send = [this, code] {
        if (const int error = hal.Open()) return Outcome::NotOpened(error);
        std::int32_t argument = code;
        const Outcome outcome =
            Outcome::Of(Board::devices().ioctl(hal.Descriptor(), Hal::HW_CLOCK_SELECT, &argument));
        if (outcome.taken()) {
            Took(code);
            std::cerr << ext::header(this) << "clock source = " << ClockName{code} << std::endl;
        }
        return outcome;
    };
    select.then = [this, code](const Outcome& outcome) {
        if (outcome.owed) owing = code;
        if (!outcome.dropped()) return;
        Remove(asked, code);
        if (owing == code) owed.Forget(selectKey);
        if (!asked.empty() && asked.back() != took && !owed.Owes(selectKey))
            DrvSetClkSrc(asked.back());
    };
    select.refused = [this](const Outcome& outcome) {
        Failed("HW_CLOCK_SELECT fail.", outcome.error);
    };
    select.unopened = [this](const Outcome& outcome) {
        Failed("set clock source fail: code 1.", outcome.error);
    };
    owed.Ask(selectKey, std::move(select), Hardware::OwedRequests::IfRefused::Owe);
}

// What was asked after the code stays asked. One the driver took that the
// list no longer holds (asked again while owed, and then refused as
// invalid) is all that is left.
void BusCtl::Took(int code) {
    took = code;
    asked.erase(asked.begin(), std::find(asked.begin(), asked.end(), code));
    if (asked.empty()) asked.push_back(code);
}

void BusCtl::Failed(const char* words, int error) const {
    std::cerr << ext::header(this) << words << " [cause=" << Errno(error) << "]" << std::endl;
}
