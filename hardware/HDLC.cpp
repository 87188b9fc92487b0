#include "hardware/HDLC.h"

#include "config/StreamManip.h"
#include "control/TraceCtl.h"
#include "hardware/BoardDevices.h"
#include "hardware/DevNames.h"
#include "hardware/HwMux.h"
#include "hardware/MccDriver.h"
#include "runtime/Errno.h"
#include "runtime/Packet.h"

#include <cerrno>
#include <fcntl.h>
#include <iostream>
#include <new>
#include <poll.h>

HDLC::HDLC() : settings{0, 0, -1, -1, 0} {
    unbind();
    event.Bind<HDLC>("HDLC::OnEvent", &HDLC::on_event, this);
}

void HDLC::unbind() {
    struct Stub : Notify {
        void on_hdlc_receive(Packet&) override {}
        void on_hdlc_error(Cause::Type) override {}
        void on_hdlc_ready() override {}
    };
    static Stub stub;
    notify = &stub;
}

void HDLC::PutHeader(std::ostream& os) const {
    os << "hdlc [" << trunkNumber << '/' << settings.timeslot << "]: ";
}

bool HDLC::AllocationMode(std::uint32_t& mode) const {
    static const std::uint32_t byMode[] = {3, 0, 1};
    if (settings.mode >= sizeof byMode / sizeof byMode[0]) return false;
    mode = byMode[settings.mode];
    return true;
}

Fd HDLC::Open(int& controller) {
    Mcc::AllocateRecord record{};
    if (!AllocationMode(record.mode)) {
        std::cerr << ext::header(this) << "unknown mode " << settings.mode << std::endl;
        return Fd();
    }
    for (unsigned i = 0; i < 4; ++i) record.fixed[i] = Mcc::allocateFixed[i];
    Board::Devices& devices = Board::devices();
    Fd fd(devices.open(GetMccDevName(), O_RDWR | O_NONBLOCK));
    if (!fd) {
        Errno e;
        std::cerr << ext::header(this) << "fail to open MCC device: " << e << std::endl;
        return Fd();
    }
    if (devices.ioctl(fd.lowlevel_fd(), Mcc::Allocate, &record) == -1) {
        Errno e;
        std::cerr << ext::header(this) << "MCC_ALLOCATE fail: " << e << std::endl;
        return Fd();
    }
    controller = devices.ioctlValue(fd.lowlevel_fd(), Mcc::Timeslot, 0);
    if (controller < 0) {
        Errno e;
        std::cerr << ext::header(this) << "MCC_TIMESLOT fail: " << e << std::endl;
        return Fd();
    }
    return fd;
}

bool HDLC::activate() {
    deactivate();
    counters = Statistics{};
    int controller = -1;
    const Fd fd = Open(controller);
    if (!fd) return false;
    HwMux& mux = HwMux::instance();
    const int transmitTo = settings.mode == 2 ? settings.output : settings.input;
    mux.Connect(controller, transmitTo);
    mux.Connect(settings.input, controller);
    if (const int error = Watch(event, fd, POLLIN | POLLOUT)) {
        // Nothing would move the frames: the channel fails as one that did
        // not open, and leaves no path behind that nobody will undo.
        std::cerr << ext::header(this) << "fail to watch MCC device: " << Errno(error)
                  << std::endl;
        mux.Disconnect(controller);
        mux.Disconnect(transmitTo);
        return false;
    }
    ++opened;
    ready = false;
    if (traces.signalling.hdlc) std::clog << ext::header(this) << "activated" << std::endl;
    return true;
}

void HDLC::deactivate() {
    event.Release();
    ready = false;
    if (traces.signalling.hdlc) std::clog << ext::header(this) << "deactivated" << std::endl;
}

// The callbacks may close the channel or open another in its place: each
// step after one checks that the descriptor it began with is still the
// channel's, so a closed channel reports nothing more.
void HDLC::on_event(int, short revents) {
    const unsigned pass = opened;
    if (revents & POLLIN)
        do_read();
    else if (revents & (POLLERR | POLLHUP))
        ReadFailed(revents & POLLERR ? "device error" : "device closed");
    if (!(revents & POLLOUT) || ready || !is_open() || opened != pass) return;
    ready = true;
    event.SetEvents(POLLIN);
    notify->on_hdlc_ready();
}

// One read is one frame. A frame that finds the packet pool empty is read
// into a scratch buffer and dropped, so the descriptor does not stay readable
// for ever.
void HDLC::do_read() {
    if (traces.signalling.hdlc) std::clog << ext::header(this) << "do_read" << std::endl;
    if (!is_open()) {
        std::clog << ext::header(this) << "do_read: !m_event.IsActive()" << std::endl;
        return;
    }
    const unsigned pass = opened;
    static unsigned char scratch[packet_max_size];
    for (;;) {
        Packet frame;
        unsigned char* into = scratch;
        try {
            frame.reserve_head(0);
            into = frame.tail();
        } catch (const std::bad_alloc&) {
        }
        const std::size_t room = into == scratch ? sizeof scratch : frame.tailroom();
        const ssize_t got = Board::devices().read(event.lowlevel_fd(), into, room);
        if (got > 0 && into == scratch) {
            std::cerr << ext::header(this) << "no packet buffer, frame dropped" << std::endl;
            continue;
        }
        if (got > 0) {
            frame.put(unsigned(got));
            if (traces.signalling.hdlc)
                std::clog << "HDLC[" << trunkNumber << "]: rx " << frame << std::endl;
            ++counters.rxSU;
            notify->on_hdlc_receive(frame);
            if (!is_open() || opened != pass) return;
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        return ReadFailed(got == 0 ? "device closed" : Errno().text());
    }
}

void HDLC::ReadFailed(const std::string& text) {
    std::cerr << ext::header(this) << "read error: " << text << std::endl;
    deactivate();
    notify->on_hdlc_error(Notify::Cause::ReadFailed);
}

bool HDLC::hdlc_transmit(Packet& frame) {
    if (frame.empty()) return true;
    if (!is_open()) {
        ++counters.txDiscard;
        return false;
    }
    if (traces.signalling.hdlc)
        std::clog << "HDLC[" << trunkNumber << "]: tx " << frame << std::endl;
    // Read through a const view, so a frame the user still shares is not copied.
    const Packet& octets = frame;
    for (;;) {
        if (Board::devices().write(event.lowlevel_fd(), &octets[0], octets.length()) != -1) {
            ++counters.txSU;
            return true;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            ++counters.txError;
            return false;
        }
        // Full: wait for the device to take frames again.
        ready = false;
        event.SetEvents(POLLIN | POLLOUT);
        return false;
    }
}
