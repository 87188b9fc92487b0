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
#include <unistd.h>

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

bool HwMux::SwitchOff(int channel) {
    Hal::MuxChannelRecord record{channel};
    return Request(Hal::MuxDisable, &record);
}

void HwMux::LeaveToRefresh(int channel) {
    if (Output* entry = Shadow(channel))
        *entry = Output{};
    else if (std::find(strays.begin(), strays.end(), channel) == strays.end())
        strays.push_back(channel);
}

void HwMux::Settled(int channel) {
    strays.erase(std::remove(strays.begin(), strays.end(), channel), strays.end());
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
    std::clog << "hwMux: device opened" << std::endl;
    for (int i = 0; i < busCount; ++i) {
        SwitchOff(busFirst + i);
        shadow[i] = Output{};
    }
    refreshPosition = 0;
    refresh.Activate();
    ::usleep(500);
    return true;
}

void HwMux::Close() {
    refresh.Deactivate();
    hal.close();
    strays.clear();
}

bool HwMux::Connect(int transmit, int receive) {
    if (!IsOpened() || transmit < 0 || receive < 0) {
        std::clog << "hwMux: ERROR not opened" << std::endl;
        return false;
    }
    Output* entry = Shadow(receive);
    Output before;
    if (entry) {
        before = *entry;
        *entry = Output{Output::Driven, std::uint16_t(transmit)};
    }
    Hal::MuxConnectRecord record{};
    record.receive = receive;
    record.transmit = transmit;
    if (Request(Hal::MuxConnect, &record)) {
        Settled(receive);
        return true;
    }
    Errno e;
    if (entry) *entry = before;
    std::clog << "hwMux: connect " << transmit << " -> " << receive << " failed: " << e
              << std::endl;
    return false;
}

bool HwMux::Disconnect(int receive) {
    if (!IsOpened() || receive < 0) return false;
    if (Output* entry = Shadow(receive)) *entry = Output{Output::Constant, 0};
    Hal::MuxOctetRecord record{};
    record.channel = receive;
    record.octet = idleOctet;
    if (Request(Hal::MuxWrite, &record)) {
        Settled(receive);
        return true;
    }
    Errno e;
    LeaveToRefresh(receive);
    std::clog << "hwMux: disconnect failed " << receive << " : " << e << std::endl;
    return false;
}

bool HwMux::Disable(int channel) {
    if (!IsOpened() || channel < 0) return false;
    if (Output* entry = Shadow(channel)) *entry = Output{};
    if (SwitchOff(channel)) {
        Settled(channel);
        return true;
    }
    Errno e;
    LeaveToRefresh(channel);
    std::clog << "hwMux: disable failed " << channel << " : " << e << std::endl;
    return false;
}

bool HwMux::Write(int channel, unsigned char value) {
    if (!IsOpened() || channel < 0) return false;
    if (Output* entry = Shadow(channel)) *entry = Output{Output::Constant, 0};
    Hal::MuxOctetRecord record{};
    record.channel = channel;
    record.octet = value;
    if (Request(Hal::MuxWrite, &record)) {
        Settled(channel);
        return true;
    }
    Errno e;
    std::clog << "hwMux: write failed " << channel << " <- 0x" << std::hex << unsigned(value)
              << std::dec << " : " << e << std::endl;
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
    // A stray leaves the list once its switch-off went through.
    for (auto it = strays.begin(); it != strays.end();)
        it = SwitchOff(*it) ? strays.erase(it) : it + 1;
}

void HwMux::RefreshChannel(int index) {
    if (index < 0 || index >= busCount || shadow[index].state != Output::Off) return;
    SwitchOff(busFirst + index);
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
