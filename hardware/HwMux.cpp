#include "hardware/HwMux.h"

#include "hardware/BoardDevices.h"
#include "hardware/DevNames.h"
#include "hardware/HalDriver.h"
#include "runtime/Errno.h"

#include <algorithm>
#include <cerrno>
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

HwMux& HwMux::instance() {
    static HwMux mux;
    return mux;
}

HwMux::HwMux() {
    std::clog << "hwMux: init" << std::endl;
    refresh.Bind<HwMux>(this, &HwMux::OnDPC);
    IsOpened();
}

HwMux::Output* HwMux::Shadow(int channel) {
    if (channel < busFirst || channel >= busFirst + busCount) return nullptr;
    return &shadow[channel - busFirst];
}

Outcome HwMux::Request(unsigned long request, void* record) {
    return Outcome::Of(Board::devices().ioctl(hal.lowlevel_fd(), request, record));
}

// The path a constant was to undo must not outlive it: refused, the channel
// goes off at once, and the octet stays owed.
Outcome HwMux::Send(int channel, const Output& asked) {
    Hal::MuxChannelRecord off{channel};
    if (asked.state == Output::Off) return Request(Hal::MuxDisable, &off);
    if (asked.state == Output::Constant) {
        Hal::MuxOctetRecord record{};
        record.channel = channel;
        record.octet = std::uint32_t(asked.value);
        const Outcome written = Request(Hal::MuxWrite, &record);
        if (!written.taken()) Request(Hal::MuxDisable, &off);
        return written;
    }
    Hal::MuxConnectRecord record{};
    record.receive = channel;
    record.transmit = asked.value;
    return Request(Hal::MuxConnect, &record);
}

bool HwMux::IsOpened() { return Opening() == 0; }

int HwMux::Opening() {
    if (hal.is_valid()) return 0;
    int fd = Board::devices().open(GetHalDevName(), O_RDWR);
    if (fd < 0) {
        const Errno e;
        openFailure.Tell(e.value(), owed.Paying(),
                         [&] { std::clog << "hwMux: can't open device: " << e << std::endl; });
        return e.value();
    }
    hal = Fd(fd);
    openFailure.Clear();
    std::clog << "hwMux: device opened" << std::endl;
    // Every output starts off but one asked for while the device could not
    // be opened, which gets what was asked.
    for (int i = 0; i < busCount; ++i)
        if (!owed.Owes({std::uint32_t(busFirst + i), 0})) Send(busFirst + i, Output{});
    refreshPosition = 0;
    refresh.Activate();
    ::usleep(500);
    owed.Pay();
    return 0;
}

void HwMux::Close() {
    refresh.Deactivate();
    hal.close();
    std::fill(std::begin(shadow), std::end(shadow), Output{});
    owed.ForgetIf([](const OwedRequests::Key&) { return true; });
}

bool HwMux::Change(int channel, const Output& asked, std::string fail) {
    if (channel < 0) {
        IsOpened();
        return false;
    }
    if (Output* entry = Shadow(channel)) *entry = asked;
    auto send = [this, channel, asked] {
        const int error = Opening();
        return error ? Outcome::NotOpened(error) : Send(channel, asked);
    };
    auto refused = [fail = std::move(fail)](const Outcome& outcome) {
        std::clog << fail << Errno(outcome.error) << std::endl;
    };
    return owed
        .Ask({std::uint32_t(channel), 0}, {send, refused, nullptr}, OwedRequests::IfRefused::Owe)
        .taken();
}

bool HwMux::Connect(int transmit, int receive) {
    if (!IsOpened() || transmit < 0 || receive < 0) {
        std::clog << "hwMux: ERROR not opened" << std::endl;
        return false;
    }
    const Output path{Output::Driven, transmit};
    const Outcome outcome = Send(receive, path);
    if (outcome.taken()) {
        if (Output* entry = Shadow(receive)) *entry = path;
        owed.Forget({std::uint32_t(receive), 0});
        return true;
    }
    std::clog << "hwMux: connect " << transmit << " -> " << receive
              << " failed: " << Errno(outcome.error) << std::endl;
    return false;
}

bool HwMux::Disconnect(int receive) {
    return Change(receive, Output{Output::Constant, idleOctet},
                  "hwMux: disconnect failed " + std::to_string(receive) + " : ");
}

bool HwMux::Disable(int channel) {
    return Change(channel, Output{}, "hwMux: disable failed " + std::to_string(channel) + " : ");
}

bool HwMux::Write(int channel, unsigned char value) {
    std::ostringstream fail;
    fail << "hwMux: write failed " << channel << " <- 0x" << std::hex << unsigned(value) << " : ";
    return Change(channel, Output{Output::Constant, value}, fail.str());
}

int HwMux::Read(int channel) {
    if (!IsOpened() || channel < 0) return 255;
    Hal::MuxOctetRecord record{};
    record.channel = channel;
    record.octet = 0xFF;
    const Outcome outcome = Request(Hal::MuxRead, &record);
    if (outcome.taken()) return int(record.octet & 0xFF);
    std::clog << "hwMux: read failed " << channel << " -> 0x" << std::hex << record.octet
              << std::dec << " : " << Errno(outcome.error) << std::endl;
    return 255;
}

void HwMux::OnDPC() {
    if (!hal.is_valid()) return;
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
