#include "hardware/HwMux.h"

#include "hardware/BoardDevices.h"
#include "hardware/DevNames.h"
#include "hardware/HalDriver.h"
#include "runtime/Errno.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <execinfo.h>
#include <fcntl.h>
#include <iostream>
#include <iterator>
#include <sstream>
#include <unistd.h>
#include <utility>

using Hardware::Outcome;
using Hardware::OwedRequests;

namespace {

const std::string openFailed = "can't open device: ";

}  // namespace

HwMux& HwMux::instance() {
    static HwMux mux;
    return mux;
}

HwMux::HwMux()
    : owed([this](const OwedRequests::Key& key) { return carrying.count(int(key.where)) > 0; }),
      hal(
          GetHalDevName(), O_RDWR, &owed,
          [](int error) { std::clog << "hwMux: " << openFailed << Errno(error) << std::endl; },
          [this] { return Ready(); }) {
    std::clog << "hwMux: init" << std::endl;
    refresh.Bind<HwMux>(this, &HwMux::OnDPC);
    IsOpened();
}

HwMux::Output* HwMux::Shadow(int channel) {
    if (channel < busFirst || channel >= busFirst + busCount) return nullptr;
    return &shadow[channel - busFirst];
}

Outcome HwMux::Request(unsigned long request, void* record) {
    return Outcome::Of(Board::devices().ioctl(hal.Descriptor(), request, record));
}

Outcome HwMux::Send(int channel, const Output& asked) {
    Outcome outcome;
    if (asked.state == Output::Off) {
        Hal::MuxChannelRecord off{channel};
        outcome = Request(Hal::MuxDisable, &off);
    } else if (asked.state == Output::Constant) {
        Hal::MuxOctetRecord record{};
        record.channel = channel;
        record.octet = std::uint32_t(asked.value);
        outcome = Request(Hal::MuxWrite, &record);
    } else {
        Hal::MuxConnectRecord record{};
        record.receive = channel;
        record.transmit = asked.value;
        outcome = Request(Hal::MuxConnect, &record);
    }
    if (!outcome.taken()) return outcome;
    if (asked.state == Output::Off)
        carrying.erase(channel);
    else
        carrying.insert(channel);
    return outcome;
}

// An octet the driver takes replaces whatever the channel carried, the
// switch-off owed since its refusal included. One it refuses, now or at a
// retry, leaves no path on the channel: the channel goes off at once, and
// the switch-off is owed when the octet is not, refused as invalid.
OwedRequests::Request HwMux::Asking(int channel, const Output& asked, std::string fail) {
    OwedRequests::Request request;
    request.send = [this, channel, asked] {
        if (const int error = hal.Open()) return Outcome::NotOpened(error);
        const Outcome outcome = Send(channel, asked);
        if (outcome.taken() && asked.state == Output::Constant)
            owed.Forget(Key(channel, Hal::MuxDisable));
        return outcome;
    };
    request.refused = [fail](const Outcome& outcome) {
        std::clog << fail << Errno(outcome.error) << std::endl;
    };
    request.unopened = [fail](const Outcome& outcome) {
        std::clog << fail << openFailed << Errno(outcome.error) << std::endl;
    };
    if (asked.state == Output::Constant)
        request.then = [this, channel](const Outcome& outcome) {
            if (outcome.kind != Outcome::Refused) return;
            SwitchOff(channel, DisableFailed(channel), outcome.final());
        };
    return request;
}

bool HwMux::IsOpened() { return hal.Open() == 0; }

bool HwMux::Owes(int channel) const {
    return owed.Owes(Key(channel, Hal::MuxWrite)) || owed.Owes(Key(channel, Hal::MuxDisable));
}

void HwMux::Forget(int channel) {
    owed.Forget(Key(channel, Hal::MuxWrite));
    owed.Forget(Key(channel, Hal::MuxDisable));
}

std::string HwMux::DisableFailed(int channel) {
    return "hwMux: disable failed " + std::to_string(channel) + " : ";
}

// Every output starts off but one asked for while the device could not be
// opened, which gets what was asked.
int HwMux::Ready() {
    std::clog << "hwMux: device opened" << std::endl;
    for (int channel = busFirst; channel < busFirst + busCount; ++channel)
        if (!Owes(channel)) Send(channel, Output{});
    refreshPosition = 0;
    refresh.Activate();
    ::usleep(500);
    return 0;
}

void HwMux::Close() {
    refresh.Deactivate();
    hal.Close();
    std::fill(std::begin(shadow), std::end(shadow), Output{});
    owed.ForgetIf([](const OwedRequests::Key&) { return true; });
    carrying.clear();
}

bool HwMux::SwitchOff(int channel, std::string fail, bool owe) {
    return owed
        .Ask(Key(channel, Hal::MuxDisable), Asking(channel, Output{}, std::move(fail)),
             owe ? OwedRequests::IfRefused::Undo : OwedRequests::IfRefused::Drop)
        .taken();
}

// Each ask on a channel replaces what the channel owed.
bool HwMux::Change(int channel, const Output& asked, std::string fail) {
    if (channel < 0) {
        IsOpened();
        return false;
    }
    if (Output* entry = Shadow(channel)) *entry = asked;
    Forget(channel);
    if (asked.state == Output::Off) return SwitchOff(channel, std::move(fail), true);
    return owed
        .Ask(Key(channel, Hal::MuxWrite), Asking(channel, asked, std::move(fail)),
             OwedRequests::IfRefused::Owe)
        .taken();
}

// A negative channel is refused before anything is sent, and its line is
// paced as a refusal of the connect on that channel.
bool HwMux::Connect(int transmit, int receive) {
    if (transmit < 0 || receive < 0) {
        IsOpened();
        OwedRequests::Request refused;
        refused.send = [] { return Outcome{Outcome::Refused, EINVAL, -1, false}; };
        refused.refused = [](const Outcome& outcome) {
            std::clog << "hwMux: ERROR not opened [cause=" << Errno(outcome.error) << "]"
                      << std::endl;
        };
        owed.Ask(Key(std::min(transmit, receive), Hal::MuxConnect), std::move(refused),
                 OwedRequests::IfRefused::Drop);
        return false;
    }
    const Output path{Output::Driven, transmit};
    const std::string fail = "hwMux: connect " + std::to_string(transmit) + " -> " +
                             std::to_string(receive) + " failed: ";
    if (!owed.Ask(Key(receive, Hal::MuxConnect), Asking(receive, path, fail),
                  OwedRequests::IfRefused::Drop)
             .taken())
        return false;
    if (Output* entry = Shadow(receive)) *entry = path;
    Forget(receive);
    return true;
}

bool HwMux::Disconnect(int receive) {
    return Change(receive, Output{Output::Constant, idleOctet},
                  "hwMux: disconnect failed " + std::to_string(receive) + " : ");
}

bool HwMux::Disable(int channel) { return Change(channel, Output{}, DisableFailed(channel)); }

bool HwMux::Write(int channel, unsigned char value) {
    std::ostringstream fail;
    fail << "hwMux: write failed " << channel << " <- 0x" << std::hex << unsigned(value) << " : ";
    return Change(channel, Output{Output::Constant, value}, fail.str());
}

// The request and its lines are used only within the ask: a refused read is
// not owed, so nothing keeps them past this call.
int HwMux::Read(int channel) {
    if (channel < 0) {
        IsOpened();
        return 255;
    }
    Hal::MuxOctetRecord record{};
    record.channel = channel;
    record.octet = 0xFF;
    const std::string at = "hwMux: read failed " + std::to_string(channel) + " -> 0x";
    OwedRequests::Request read;
    read.send = [&] {
        if (const int error = hal.Open()) return Outcome::NotOpened(error);
        return Request(Hal::MuxRead, &record);
    };
    read.refused = [&](const Outcome& outcome) {
        std::clog << at << std::hex << record.octet << std::dec << " : " << Errno(outcome.error)
                  << std::endl;
    };
    read.unopened = [&](const Outcome& outcome) {
        std::clog << at << std::hex << record.octet << std::dec << " : " << openFailed
                  << Errno(outcome.error) << std::endl;
    };
    const Outcome outcome =
        owed.Ask(Key(channel, Hal::MuxRead), std::move(read), OwedRequests::IfRefused::Drop);
    return outcome.taken() ? int(record.octet & 0xFF) : 255;
}

void HwMux::OnDPC() {
    if (!hal.IsOpen()) return;
    for (int n = 0; n < refreshBatch; ++n) {
        refreshPosition = (refreshPosition + 1) % busCount;
        RefreshChannel(int(refreshPosition));
    }
}

// An output off is switched off again whatever the driver said before.
void HwMux::RefreshChannel(int index) {
    if (index < 0 || index >= busCount || shadow[index].state != Output::Off) return;
    Send(busFirst + index, shadow[index]);
}

void print_trace() {
    void* frames[10];
    int size = ::backtrace(frames, 10);
    char** symbols = ::backtrace_symbols(frames, size);
    std::printf("Obtained %zd stack frames.\n", static_cast<ssize_t>(size));
    // Without memory for the texts there is nothing more to print.
    for (int i = 0; symbols && i < size; ++i) std::printf("%s\n", symbols[i]);
    std::fflush(stdout);
    std::free(symbols);
}
