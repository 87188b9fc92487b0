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
#include <unistd.h>

namespace {

// How long an open owed a request waits before it is tried again.
constexpr unsigned reopenMs = 1000;

}  // namespace

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

bool HwMux::Request(unsigned long request, void* record) {
    return Board::devices().ioctl(hal.lowlevel_fd(), request, record) >= 0;
}

bool HwMux::Send(int channel, const Output& asked) {
    if (asked.state == Output::Off) {
        Hal::MuxChannelRecord record{channel};
        return Request(Hal::MuxDisable, &record);
    }
    if (asked.state == Output::Constant) {
        Hal::MuxOctetRecord record{};
        record.channel = channel;
        record.octet = std::uint32_t(asked.value);
        return Request(Hal::MuxWrite, &record);
    }
    Hal::MuxConnectRecord record{};
    record.receive = channel;
    record.transmit = asked.value;
    return Request(Hal::MuxConnect, &record);
}

void HwMux::Keep(int channel, const Output& asked) {
    if (Output* entry = Shadow(channel))
        *entry = asked;
    else if (asked.owed)
        strays[channel] = asked;
    else
        strays.erase(channel);
}

// A request refused as invalid names a channel the switch does not have:
// nothing of it stays on the board, and sent again it would be refused for
// ever, each refresh run costing one more request.
bool HwMux::Owed(const Errno& refusal) { return refusal.value() != EINVAL; }

std::optional<Errno> HwMux::Ask(int channel, Output asked) {
    std::optional<Errno> refused;
    if (!Send(channel, asked)) refused = Errno();
    asked.owed = refused && Owed(*refused);
    Keep(channel, asked);
    return refused;
}

bool HwMux::IsOpened() {
    if (hal.is_valid()) return true;
    int fd = Board::devices().open(GetHalDevName(), O_RDWR);
    if (fd < 0) {
        Errno e;
        std::clog << "hwMux: can't open device: " << e << std::endl;
        return false;
    }
    hal = Fd(fd);
    reopen.reset();
    std::clog << "hwMux: device opened" << std::endl;
    // Every output starts off but one asked for while the device could not
    // be opened, which gets what was asked.
    for (int i = 0; i < busCount; ++i) shadow[i].owed = !Send(busFirst + i, shadow[i]);
    refreshPosition = 0;
    refresh.Activate();
    ::usleep(500);
    return true;
}

void HwMux::Close() {
    refresh.Deactivate();
    reopen.reset();
    hal.close();
    std::fill(std::begin(shadow), std::end(shadow), Output{});
    strays.clear();
}

bool HwMux::Reach(int channel, const Output& asked) {
    if (IsOpened()) return channel >= 0;
    if (Output* entry = Shadow(channel)) {
        *entry = Output{asked.state, true, asked.value};
        if (!reopen.is_running()) reopen.set(reopenMs, &HwMux::Reopen, this);
    }
    return false;
}

void HwMux::Reopen() {
    if (!IsOpened()) reopen.set(reopenMs, &HwMux::Reopen, this);
}

bool HwMux::Connect(int transmit, int receive) {
    if (!IsOpened() || transmit < 0 || receive < 0) {
        std::clog << "hwMux: ERROR not opened" << std::endl;
        return false;
    }
    const Output path{Output::Driven, false, transmit};
    if (Send(receive, path)) {
        Keep(receive, path);
        return true;
    }
    Errno e;
    std::clog << "hwMux: connect " << transmit << " -> " << receive << " failed: " << e
              << std::endl;
    return false;
}

bool HwMux::Disconnect(int receive) {
    const Output idle{Output::Constant, false, idleOctet};
    if (!Reach(receive, idle)) return false;
    const auto refused = Ask(receive, idle);
    if (!refused) return true;
    std::clog << "hwMux: disconnect failed " << receive << " : " << *refused << std::endl;
    return false;
}

bool HwMux::Disable(int channel) {
    if (!Reach(channel, Output{})) return false;
    const auto refused = Ask(channel, Output{});
    if (!refused) return true;
    std::clog << "hwMux: disable failed " << channel << " : " << *refused << std::endl;
    return false;
}

bool HwMux::Write(int channel, unsigned char value) {
    const Output constant{Output::Constant, false, value};
    if (!Reach(channel, constant)) return false;
    const auto refused = Ask(channel, constant);
    if (!refused) return true;
    std::clog << "hwMux: write failed " << channel << " <- 0x" << std::hex << unsigned(value)
              << std::dec << " : " << *refused << std::endl;
    return false;
}

int HwMux::Read(int channel) {
    if (!IsOpened() || channel < 0) return 255;
    Hal::MuxOctetRecord record{};
    record.channel = channel;
    record.octet = 0xFF;
    if (Request(Hal::MuxRead, &record)) return int(record.octet & 0xFF);
    Errno e;
    std::clog << "hwMux: read failed " << channel << " -> 0x" << std::hex << record.octet
              << std::dec << " : " << e << std::endl;
    return 255;
}

void HwMux::OnDPC() {
    if (!hal.is_valid()) return;
    for (int n = 0; n < refreshBatch; ++n) {
        refreshPosition = (refreshPosition + 1) % busCount;
        RefreshChannel(int(refreshPosition));
    }
    // The strays too go a batch a run, round robin from the one sent last,
    // so a driver refusing every request costs a run the same however many
    // channels the controller named meanwhile. A stray leaves the list once
    // the driver takes its request or refuses it as invalid.
    const std::size_t batch = std::min<std::size_t>(refreshBatch, strays.size());
    auto it = strays.upper_bound(strayLast);
    for (std::size_t n = 0; n < batch; ++n) {
        if (it == strays.end()) it = strays.begin();
        strayLast = it->first;
        it = Send(it->first, it->second) || !Owed(Errno()) ? strays.erase(it) : std::next(it);
    }
}

// An output off is switched off again whatever the driver said before; any
// other is asked again only while owed.
void HwMux::RefreshChannel(int index) {
    if (index < 0 || index >= busCount) return;
    Output& entry = shadow[index];
    if (entry.state != Output::Off && !entry.owed) return;
    entry.owed = !Send(busFirst + index, entry);
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
