#include "hardware/spiCtrl.h"

#include "hardware/BoardDevices.h"
#include "hardware/DevNames.h"
#include "hardware/HalDriver.h"
#include "runtime/Errno.h"

#include <cerrno>
#include <fcntl.h>
#include <iostream>

namespace {

// Line device registers and the values this service writes.
constexpr int modeRegister = 0x32;
constexpr int disabled = 0x80;
constexpr int enabled = 0x00;
constexpr int clockRegister = 0x57;
constexpr int clockSlave = 0x30;
constexpr int clockMaster = 0x38;

using Register = spiCtrl::Register;
constexpr Register enable = {modeRegister, enabled};
constexpr Register disable = {modeRegister, disabled};
constexpr Register initRegisters[] = {
    {modeRegister, disabled},
    {0x30, 0x08},
    {clockRegister, clockSlave},
    {0x34, 0x60},
    {0x35, 0x00},
    {0x36, 0x00},
    {0x37, 0x00},
};

// Status register bits.
constexpr int carrierBit = 0x01;
constexpr int frameBit = 0x04;
constexpr int slipBit = 0x20;
constexpr int alarmBits = 0xC0;
constexpr int remoteAlarm = 0x80;

bool ValidChannel(int channel) { return channel >= 0 && channel < spiCtrl::channelCount; }

ACP::TrunkState::NamedNumber LineState(unsigned char v) {
    if (!(v & carrierBit)) return ACP::TrunkState::lossCarrier;
    if (!(v & frameBit)) return ACP::TrunkState::lossBF;
    if ((v & alarmBits) == remoteAlarm) return ACP::TrunkState::rai;
    if ((v & alarmBits) == alarmBits) return ACP::TrunkState::normal;
    return ACP::TrunkState::ais;
}

}  // namespace

spiCtrl& spiCtrl::instance() {
    static spiCtrl spi;
    return spi;
}

spiCtrl::spiCtrl()
    : hal(GetHalDevName(), O_RDWR, nullptr, [](int error) {
          std::clog << "spi: /dev/hal open fail [cause=" << Errno(error) << "]" << std::endl;
      }) {
    init_device_and_channels();
}

spiCtrl::~spiCtrl() {
    if (!hal.IsOpen()) return;
    statusTimer.reset();
    for (int channel = 0; channel < channelCount; ++channel) disable_channel(channel);
    clock(-1);
    hal.Close();
}

void spiCtrl::OnConnect() {
    if (Ready()) statusTimer.set(pollMs, &spiCtrl::status, this);
}

void spiCtrl::OnDisconnect() { statusTimer.reset(); }

int spiCtrl::Request(unsigned long request, int channel, int address, int data) {
    Hal::SpiRecord record{std::uint8_t(channel), std::uint8_t(address), std::uint8_t(data)};
    int result = Board::devices().ioctl(hal.Descriptor(), request, &record);
    if (result >= 0) return result;
    if (errno == ENODEV) {
        std::clog << "spi: hal without spi" << std::endl;
        spiPresent = false;
        statusTimer.reset();
    } else if (request == Hal::SpiWrite) {
        std::clog << "spi: write error: channel=" << channel << " addr=" << address
                  << " data=" << data << std::endl;
    } else {
        std::clog << "spi: read error: channel=" << channel << " addr=" << address << std::endl;
    }
    return -1;
}

void spiCtrl::write(int channel, int address, int data) {
    if (Ready()) Request(Hal::SpiWrite, channel, address, data);
}

unsigned char spiCtrl::read(int channel, int address) {
    if (!Ready()) return 0;
    int result = Request(Hal::SpiRead, channel, address, 0xFF);
    return result < 0 ? 0 : static_cast<unsigned char>(result & 0xFF);
}

// The checks, the register writes, then the line saying what was done.
void spiCtrl::Program(int channel, const char* what, const Register* registers, int count) {
    if (!spiPresent) return;
    if (!ValidChannel(channel)) {
        std::clog << "spi: bad channel for " << what << ' ' << channel << std::endl;
        return;
    }
    init_device_and_channels();
    for (int i = 0; i < count; ++i) write(channel, registers[i].address, registers[i].value);
    std::clog << "spi: " << what << " channel " << channel << std::endl;
}

void spiCtrl::init_channel(int channel) {
    Program(channel, "init", initRegisters, int(sizeof initRegisters / sizeof initRegisters[0]));
}

void spiCtrl::enable_channel(int channel) { Program(channel, "enable", &enable, 1); }

void spiCtrl::disable_channel(int channel) { Program(channel, "disable", &disable, 1); }

void spiCtrl::clock(int channel) {
    if (!spiPresent) return;
    if (channel < -1 || channel >= channelCount) {
        std::clog << "spi: bad channel for set clock master " << channel << std::endl;
        return;
    }
    init_device_and_channels();
    for (int line = 0; line < channelCount; ++line) write(line, clockRegister, clockSlave);
    if (channel == -1) {
        std::clog << "spi: clock master disabled" << std::endl;
        return;
    }
    write(channel, clockRegister, clockMaster);
    std::clog << "spi: set clock master on channel " << channel << std::endl;
}

// Channel 7 is left as the board powered it up: it is polled, follows the
// clock master and is disabled at exit, but not started here.
void spiCtrl::init_device_and_channels() {
    if (hal.IsOpen() || !spiPresent) return;
    std::clog << "spi: try init" << std::endl;
    if (hal.Open()) return;
    for (int channel = 0; channel < channelCount - 1; ++channel) {
        init_channel(channel);
        enable_channel(channel);
    }
}

void spiCtrl::status() {
    if (!spiPresent) return;
    LGCP::Signal signal;
    ACP::TrunkStatus& line = signal.select_trunkStatus();
    for (int channel = 0; channel < channelCount; ++channel) {
        const unsigned char v = read(channel, statusRegister);
        // A HAL found without SPI during the poll reports nothing more.
        if (!spiPresent) return;
        const bool slipped = (v & slipBit) && !slipLatch[channel];
        slipLatch[channel] = v & slipBit;
        line.set_trunk(channel);
        line.set_state(LineState(v));
        line.set_slips(slipped ? 1 : 0);
        line.set_lossBF(0);
        line.set_lossCarrier(0);
        line.set_lossAIS(0);
        line.set_lossRAI(0);
        line.set_type(ACP::TrunkType::bri);
        SendSignal(signal);
    }
    statusTimer.set(pollMs, &spiCtrl::status, this);
}
