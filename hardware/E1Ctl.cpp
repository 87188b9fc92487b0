#include "hardware/E1Ctl.h"

#include "config/StreamManip.h"
#include "hardware/BoardDevices.h"
#include "hardware/DevNames.h"
#include "hardware/DriverEvents.h"
#include "runtime/Errno.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <string>
#include <utility>

using E1Driver::cas_channel;

namespace {

// The driver's state word as the controller's enumeration carries it; a word
// the enumeration has no item for would make the whole signal unencodable.
ACP::TrunkState::NamedNumber TrunkState(std::int32_t word) {
    if (word < ACP::TrunkState::normal || word > ACP::TrunkState::disabled)
        return ACP::TrunkState::unknown;
    return ACP::TrunkState::NamedNumber(word);
}

// Timeslots 0 and 16 carry framing and the signalling multiframe: opening or
// closing them touches the trunk only.
bool VoiceTimeslot(std::int32_t timeslot) { return timeslot != 0 && timeslot != 16; }

}  // namespace

E1Ctl& E1Ctl::instance() {
    static E1Ctl e1;
    return e1;
}

E1Ctl::E1Ctl()
    : owed([this](const Hardware::OwedRequests::Key&) { return (tookMask & ~tclkMask) != 0; }),
      maintenance(GetMaintenance(), O_RDWR | O_NONBLOCK, &owed,
                  [this](int error) {
                      std::cerr << ext::header(this) << "fail to open " << GetMaintenance() << ": "
                                << Errno(error) << std::endl;
                  }),
      // The open command that finds no device writes its line
      // (CasOpenWithoutDevice); the other opens leave nobody waiting.
      cas(
          GetE1CasDevName(), O_RDWR | O_NONBLOCK, &casRequests, [](int) {},
          [this] { return WatchCas(); }) {}

void E1Ctl::PutHeader(std::ostream& os) const { os << "E1: "; }

void E1Ctl::OnConnect() {
    SendStatus();
    statusTimer.set(pollMs, &E1Ctl::OnStatusTimer, this);
    tclkMask = 0;
    UpdateTclk(0);
    CheckOpenCas();
}

bool E1Ctl::OnCommand(const LGCP::Command& command) {
    if (command.ioctl_isSelected())
        HandleCas(command.get_ioctl());
    else if (command.trunkCfg_isSelected())
        SetMode(command.get_trunkCfg());
    else
        return false;
    Success();
    return true;
}

bool E1Ctl::IsOpen() { return maintenance.Open() == 0; }

void E1Ctl::SendStatus() {
    if (maintenance.Open(true)) return;
    LGCP::Signal signal;
    ACP::TrunkStatus& status = signal.select_trunkStatus();
    for (std::int32_t trunk = 0; trunk < E1Driver::trunkCount; ++trunk) {
        E1Driver::TrunkStatusRecord record{};
        record.trunk = trunk;
        FailureLine& failure = statusFailures[trunk];
        if (Board::devices().ioctl(maintenance.Descriptor(), E1Driver::StatusRead, &record) < 0) {
            const Errno e;
            failure.Tell(e.value(), true, [&] {
                std::cerr << ext::header(this)
                          << "synchronization status read fail, trunk = " << trunk
                          << " cause = " << e << std::endl;
            });
            continue;
        }
        failure.Clear();
        status.set_trunk(record.trunk);
        status.set_state(TrunkState(record.state));
        status.set_slips(record.slips);
        status.set_lossBF(record.lossBF);
        status.set_lossCarrier(record.lossCarrier);
        status.set_lossAIS(record.ais);
        status.set_lossRAI(record.rai);
        status.set_clockMaster(false);
        status.set_type(ACP::TrunkType::e1);
        Report(signal);
    }
}

void E1Ctl::OnStatusTimer() {
    SendStatus();
    CheckOpenCas();
    statusTimer.set(pollMs, &E1Ctl::OnStatusTimer, this);
}

void E1Ctl::SetMode(const LGCP::TrunkCfg& cfg) {
    const int trunk = cfg.get_trunk().getValue();
    if (trunk < 0) return;
    // The mask has 32 bits: a higher trunk has none, and shifting by its
    // number would be undefined.
    const std::uint32_t bit = trunk < 32 ? std::uint32_t(1) << trunk : 0;
    const std::uint32_t before = tclkMask;
    switch (cfg.get_mode()) {
        case LGCP::TrunkMode::slave:
            tclkMask |= bit;
            break;
        case LGCP::TrunkMode::master:
            tclkMask &= ~bit;
            break;
        default:
            return;
    }
    UpdateTclk(before);
}

// Until the device takes this mask the board keeps its last one, which
// nothing else replaces: the trunkCfg command is answered with success, and
// the mask is owed. A mask that sets no bit the device did not take undoes
// the ones it clears, so that one the device refuses as invalid while it
// holds such a bit (a new session's clear mask) is owed all the same. One
// that sets a new bit is an ask, which refused as invalid the board will
// never take, nor anything with the bits the refusal falls on: no later mask
// carries them. Every clear the refused mask carried is the controller's
// last word for its trunk, and stays. At its ask beside an older mask still
// owed, the refusal falls on the bits it set over that one, where it set
// any, so the older one's own stays owed; else, as at its retry, on the bits
// it carries that the device never took, whichever word asked for them.
void E1Ctl::UpdateTclk(std::uint32_t before) {
    using IfRefused = Hardware::OwedRequests::IfRefused;
    const std::uint32_t mask = tclkMask;
    const Hardware::OwedRequests::Key key{0, std::uint32_t(E1Driver::SetTclk)};
    auto done = [this, mask] {
        tookMask = mask;
        std::clog << ext::header(this) << "TCLT = 0x" << std::hex << mask << std::dec << std::endl;
    };
    Hardware::OwedRequests::Request request = Request(E1Driver::SetTclk, mask, "TCLK", done);
    request.then = [this, key, mask, before](const Hardware::Outcome& outcome) {
        if (!outcome.dropped() || tclkMask != mask) return;
        const bool beside = owed.Owes(key);
        const std::uint32_t added = beside ? mask & ~before : 0;
        tclkMask = mask & ~(added ? added : mask & ~tookMask);
        if (beside && tclkMask == before) return;
        if (tclkMask == tookMask)
            owed.Forget(key);
        else
            UpdateTclk(tclkMask);
    };
    owed.Ask(key, std::move(request), mask & ~tookMask ? IfRefused::Owe : IfRefused::Undo);
}

void E1Ctl::select_source(int source) {
    owed.Ask({0, std::uint32_t(E1Driver::SelectSource)},
             Request(E1Driver::SelectSource, std::uint32_t(source), "clock source", nullptr),
             Hardware::OwedRequests::IfRefused::Drop);
}

// "fail to set <what>" and the cause, or the device's failure to open.
Hardware::OwedRequests::Request E1Ctl::Request(unsigned long request, std::uint32_t value,
                                               const char* what, std::function<void()> done) {
    using Hardware::Outcome;
    auto send = [this, request, value, done] {
        if (const int error = maintenance.Open()) return Outcome::NotOpened(error);
        const Outcome outcome =
            Outcome::Of(Board::devices().ioctlValue(maintenance.Descriptor(), request, value));
        if (outcome.taken() && done) done();
        return outcome;
    };
    auto refused = [this, what](const Outcome& outcome) {
        std::cerr << ext::header(this) << "fail to set " << what
                  << " [cause=" << Errno(outcome.error) << "]" << std::endl;
    };
    auto unopened = [this, what](const Outcome& outcome) {
        std::cerr << ext::header(this) << "fail to set " << what << " [cause=" << GetMaintenance()
                  << " not opened: " << Errno(outcome.error) << "]" << std::endl;
    };
    return {send, refused, unopened};
}

bool E1Ctl::CheckOpenCas() { return cas.Open() == 0; }

// A device whose changes nobody would hear counts as one that did not open:
// it is tried again at its next use.
int E1Ctl::WatchCas() {
    casEvent.Bind("E1/Cas", &E1Ctl::OnUpdateCas, this);
    if (const int error = Watch(casEvent, cas.Node(), POLLIN)) return error;
    std::clog << ext::header(this) << "cas interface opened!" << std::endl;
    return 0;
}

void E1Ctl::CloseCas(int error) {
    casEvent.Release();
    cas.Close();
    // Whatever the driver had open went with the descriptor. The controller
    // hears it as a trunk whose CAS failed, and opens it again; told nothing,
    // it would have its set commands answered and dropped. Each trunk is
    // closed before its report, so a listener finds the state it is told.
    for (std::int32_t trunk = 0; trunk < E1Driver::trunkCount; ++trunk) {
        if (!casOpen[trunk]) continue;
        casOpen[trunk] = false;
        ReportTrunk(trunk, -error);
    }
}

// Every record queued is relayed before returning. The signal handlers run
// inside the read; none of them closes the CAS descriptor, which only this
// reader does, after it.
void E1Ctl::OnUpdateCas(int fd, short revents) {
    int cause = 0;
    const bool alive = Hardware::ReadDriverEvents(
        fd, revents, sizeof(cas_channel), GetE1CasDevName(),
        [this](const void* data) {
            cas_channel record;
            std::memcpy(&record, data, sizeof record);
            ReportChannel(record.path, record.timeslot, record.rx, record.tx);
        },
        &cause);
    if (!alive) CloseCas(cause);
}

void E1Ctl::HandleCas(const LGCP::IoctlParams& params) {
    const int unopened = cas.Open();
    if (!params.cas_isSelected()) return;
    const LGCP::CasCommand& command = params.get_cas();
    cas_channel channel{};
    channel.path = command.get_channel().get_path().getValue();
    channel.timeslot = command.get_channel().get_timeslot().getValue();
    if (channel.path < 0 || channel.path >= E1Driver::trunkCount) return;
    const LGCP::CasCommandSignal& cmd = command.get_cmd();
    if (unopened) {
        // Without the device no trunk has CAS open (giving the device up
        // closed them all), so close, set and get find nothing to act on.
        // An open is answered as one the driver refused: the controller,
        // waiting for its trunk report, asks again when it hears it.
        if (cmd.currentSelection() == LGCP::CasCommandSignal::open::Id::value)
            CasOpenWithoutDevice(channel.path, unopened);
        return;
    }
    switch (cmd.currentSelection()) {
        case LGCP::CasCommandSignal::open::Id::value:
            return CasOpen(channel, cmd.get_open().getValue());
        case LGCP::CasCommandSignal::close::Id::value:
            return CasClose(channel);
        case LGCP::CasCommandSignal::set::Id::value:
            return CasSet(channel, cmd.get_set().getValue());
        case LGCP::CasCommandSignal::get::Id::value:
            if (casOpen[channel.path]) CasGet(channel);
            return;
    }
}

void E1Ctl::CasOpen(const cas_channel& channel, int value) {
    const int trunk = channel.path;
    if (casOpen[trunk]) {
        ReportTrunk(trunk, 0);
    } else {
        using Hardware::Outcome;
        const std::string what = "open cas signalling on trunk(" + std::to_string(trunk) + ") - ";
        Hardware::OwedRequests::Request open;
        open.send = [this, trunk, what] {
            const Outcome outcome = Outcome::Of(Board::devices().ioctlValue(
                cas.Descriptor(), E1Driver::OpenTrunk, unsigned(trunk)));
            if (outcome.taken()) std::clog << ext::header(this) << what << "ok" << std::endl;
            return outcome;
        };
        // The result first, as the controller's report has it, then why.
        open.refused = [this, what](const Outcome& outcome) {
            std::clog << ext::header(this) << what << "fail(" << outcome.value
                      << ") [cause=" << Errno(outcome.error) << "]" << std::endl;
        };
        const Outcome outcome =
            casRequests.Ask({std::uint32_t(trunk), std::uint32_t(E1Driver::OpenTrunk)},
                            std::move(open), Hardware::OwedRequests::IfRefused::Drop);
        ReportTrunk(trunk, outcome.value);
        if (!outcome.taken()) return;
        casOpen[trunk] = true;
    }
    if (!VoiceTimeslot(channel.timeslot)) return;
    E1Driver::CasEnableRecord enable{channel, 0};
    enable.channel.tx = std::uint8_t(value & 15);
    const int result = Board::devices().ioctl(cas.Descriptor(), E1Driver::EnableChannel, &enable);
    if (result < 0) return ReportChannel(channel.path, channel.timeslot, result, 0);
    CasGet(channel);
}

void E1Ctl::CasOpenWithoutDevice(std::int32_t trunk, int error) {
    ReportTrunk(trunk, -error);
    casOpenFailure.Tell(error, false, [&] {
        std::cerr << ext::header(this) << "fail to open " << GetE1CasDevName() << ": "
                  << Errno(error) << std::endl;
    });
}

void E1Ctl::CasClose(const cas_channel& channel) {
    const int trunk = channel.path;
    if (!casOpen[trunk]) return;
    if (channel.timeslot == 0) {
        int code =
            Board::devices().ioctlValue(cas.Descriptor(), E1Driver::CloseTrunk, unsigned(trunk));
        if (code == 0) code = 1;
        ReportTrunk(trunk, code);
        if (code < 0) return;
        casOpen[trunk] = false;
    }
    if (!VoiceTimeslot(channel.timeslot)) return;
    E1Driver::CasEnableRecord disable{channel, 1};
    const int result = Board::devices().ioctl(cas.Descriptor(), E1Driver::EnableChannel, &disable);
    if (result < 0) return ReportChannel(channel.path, channel.timeslot, result, 0);
    ReportChannel(channel.path, channel.timeslot, -1, 1);
}

void E1Ctl::CasSet(const cas_channel& channel, int value) {
    if (!casOpen[channel.path]) return;
    cas_channel record = channel;
    record.tx = std::uint8_t(value & 15);
    const int result = Board::devices().ioctl(cas.Descriptor(), E1Driver::SetChannel, &record);
    if (result < 0) return ReportChannel(channel.path, channel.timeslot, result, 0);
    CasGet(channel);
}

void E1Ctl::CasGet(const cas_channel& channel) {
    cas_channel record{};
    record.path = channel.path;
    record.timeslot = channel.timeslot;
    const int result = Board::devices().ioctl(cas.Descriptor(), E1Driver::GetChannel, &record);
    if (result < 0) return ReportChannel(channel.path, channel.timeslot, result, 0);
    ReportChannel(channel.path, channel.timeslot, record.rx, record.tx);
}

void E1Ctl::ReportChannel(std::int32_t path, std::int32_t timeslot, int rx, int tx) {
    LGCP::Signal signal;
    LGCP::CasSignalling& report = signal.select_cas();
    LGCP::CasChannel& channel = report.set_channel();
    channel.set_path(path);
    channel.set_timeslot(timeslot);
    report.set_rx(rx);
    report.set_tx(tx);
    Report(signal);
}

void E1Ctl::Report(const LGCP::Signal& signal) {
    bool connected = false;
    CheckServerConnection(connected);
    if (connected)
        SendSignal(signal);
    else
        OfferSignal(signal);
}

void E1Ctl::ReportTrunk(std::int32_t trunk, int code) { ReportChannel(trunk, 0, code, 0); }
