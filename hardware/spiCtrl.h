// The eight BRI line-interface devices behind the board's SPI bus, reached
// through register requests on "/dev/hal": set up at start, polled every
// second while a controller is connected (one trunkStatus signal of type bri
// per line), made clock master on request, and switched off at exit. A HAL
// without SPI (ENODEV) switches the whole service off for good.
#pragma once

#include "control/CtrlSrvService.h"
#include "hardware/DeviceNode.h"
#include "runtime/Timer.h"

class spiCtrl : public CtrlSrv::Service {
public:
    static spiCtrl& instance();

    // Opens the device and starts channels 0..6. The daemon's one service is
    // instance(); tests make their own.
    spiCtrl();
    // Disables every channel and releases the clock master.
    ~spiCtrl() override;

    void OnConnect() override;
    void OnDisconnect() override;
    bool OnCommand(const LGCP::Command&) override { return false; }

    void write(int channel, int address, int data);
    // The register's value; 0 on any failure.
    unsigned char read(int channel, int address);
    void init_channel(int channel);
    void enable_channel(int channel);
    void disable_channel(int channel);
    // Makes the channel clock master; -1 leaves every channel slave.
    void clock(int channel);
    // The poll: one trunkStatus signal per channel, then the next in 1000 ms.
    void status();
    // Opens the device when it is not open and starts channels 0..6.
    void init_device_and_channels();

    static constexpr int channelCount = 8;
    static constexpr unsigned pollMs = 1000;
    static constexpr int statusRegister = 0x33;

    // One register write of a line device.
    struct Register {
        int address;
        int value;
    };

private:
    bool Ready() const { return hal.IsOpen() && spiPresent; }
    // The request's result, or -1 after handling the failure (ENODEV
    // switches SPI off).
    int Request(unsigned long request, int channel, int address, int data);
    void Program(int channel, const char* what, const Register* registers, int count);

    // The line devices owe nothing: what fails is read or written again at
    // the next poll or command.
    Hardware::DeviceNode hal;
    Timer statusTimer;
    bool spiPresent = true;
    // A slip shows once per run of polls with the slip bit set, per line.
    bool slipLatch[channelCount] = {};
};
