// The board's four E1 trunks as the controller sees them: their status as
// trunkStatus signals on connect and every second after (the other services,
// and through Slots the trunk factories, hear them too), the TCLK slave mask
// that the trunkCfg command sets on "/dev/maintenance" (owed until the device
// takes it, as OwedRequests keeps it), and channel-associated signalling on
// "/dev/e1-cas": the slotless ioctl's CAS commands (an open that finds the
// device missing is reported as a failed one, so that the controller asks
// again), and the driver's bit changes relayed as cas signals.
#pragma once

#include "control/CtrlSrvService.h"
#include "hardware/DeviceNode.h"
#include "hardware/E1Driver.h"
#include "hardware/OwedRequests.h"
#include "runtime/Event.h"
#include "runtime/FailureLine.h"
#include "runtime/Timer.h"

#include <cstdint>
#include <functional>
#include <ostream>

class E1Ctl : public CtrlSrv::Service {
public:
    static E1Ctl& instance();

    // The daemon's one service is instance(); tests make their own.
    E1Ctl();

    // Sends the status, starts the poll, clears the TCLK mask and opens CAS.
    void OnConnect() override;
    // The poll goes on: the other services keep hearing the trunks, while
    // the controller hears nothing until the next one connects.
    void OnDisconnect() override {}
    // The slotless ioctl (CAS) and trunkCfg; both always answered with
    // success, failures showing as cas signals and log lines.
    bool OnCommand(const LGCP::Command& command) override;

    // One trunkStatus signal per trunk whose status read succeeds. The poll
    // repeats by itself: a failure, of the open or of a trunk's read, writes
    // its line only when its error is new.
    void SendStatus();
    // Open the device on demand; a failed open is tried again at the next call.
    bool IsOpen();
    bool CheckOpenCas();
    // Writes the mask; one the device cannot take now, not open or refusing
    // it, is owed until it does. One it refuses as invalid is not sent
    // again: what is left of it keeps its clears and loses the bits the
    // refusal falls on (those it set over before, an older mask still owed;
    // else those the device never took), and replaces it.
    void UpdateTclk(std::uint32_t before);
    // Selects the board's clock source on the maintenance device; no command
    // of this service asks for it.
    void select_source(int source);
    void SetMode(const LGCP::TrunkCfg& cfg);
    void HandleCas(const LGCP::IoctlParams& params);

    // "E1: "
    void PutHeader(std::ostream& os) const;

    static constexpr unsigned pollMs = 1000;

private:
    // A request by value on the maintenance device, opened first, as the owed
    // requests keep it; done runs when the driver takes it.
    Hardware::OwedRequests::Request Request(unsigned long request, std::uint32_t value,
                                            const char* what, std::function<void()> done);
    void OnStatusTimer();
    // What the CAS device does with a descriptor just opened: 0, or the
    // error number of the watch that failed.
    int WatchCas();
    void OnUpdateCas(int fd, short revents);
    // The driver went away under the CAS descriptor, for the reason `error`
    // (an error number): each trunk open on it is reported failed and
    // closed, and the next use reopens.
    void CloseCas(int error);

    void CasOpen(const E1Driver::cas_channel& channel, int value);
    // The trunk report of an open that found no device (`error`, an error
    // number, from OpenCas), with one line at most a second.
    void CasOpenWithoutDevice(std::int32_t trunk, int error);
    void CasClose(const E1Driver::cas_channel& channel);
    void CasSet(const E1Driver::cas_channel& channel, int value);
    // Reads the channel and reports its bits, or the read's failure.
    void CasGet(const E1Driver::cas_channel& channel);
    void ReportChannel(std::int32_t path, std::int32_t timeslot, int rx, int tx);
    // Every signal of this service: offered to the other services always,
    // sent only while a controller is connected, so that an unattended
    // board does not log a refused send for each of them.
    void Report(const LGCP::Signal& signal);
    void ReportTrunk(std::int32_t trunk, int code);

    // The mask, while it has not reached the board, and the source's line.
    Hardware::OwedRequests owed;
    Hardware::DeviceNode maintenance;
    FailureLine statusFailures[E1Driver::trunkCount];
    Timer statusTimer;
    // Owes nothing, since each CAS command's failure is answered by its own
    // report: its refusals only pace their lines.
    Hardware::OwedRequests casRequests;
    Hardware::DeviceNode cas;
    Event casEvent;
    bool casOpen[E1Driver::trunkCount] = {};
    FailureLine casOpenFailure;
    // Bit n set: trunk n takes its clock from the line.
    std::uint32_t tclkMask = 0;
    // The mask the device took last.
    std::uint32_t tookMask = 0;
};
