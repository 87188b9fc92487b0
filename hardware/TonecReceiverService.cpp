#include "hardware/TonecReceiverService.h"

#include "hardware/BoardDevices.h"
#include "hardware/DevNames.h"
#include "hardware/DriverEvents.h"
#include "hardware/TonecDriver.h"
#include "hardware/TonecReceiver.h"

#include <cstring>
#include <fcntl.h>
#include <iostream>

namespace Hardware {

// Every receiver of the tone driver, in the order they were made.
static Containers::CyclicList receivers;

namespace {

std::ostream& operator<<(std::ostream& out, const Tonec::EventRecord& e) {
    return out << " timestamp=" << e.timestamp << " timeslot=" << e.timeslot << " code=" << e.code
               << " id=" << e.id;
}

// The IVA detector reports its codes from 256 up, the DTMF detector below.
bool FromIva(std::int32_t code) { return code >= 0x100; }

}  // namespace

// Joining the list does not make the service: the device is opened by the
// first request.
TonecReceiver::TonecReceiver() { receivers.AddToTail(&link); }

TonecReceiverService& TonecReceiverService::instance() {
    static TonecReceiverService service;
    return service;
}

TonecReceiverService::TonecReceiverService() {
    event.Bind<TonecReceiverService>("TonecReceiverService::OnEvent",
                                     &TonecReceiverService::OnEvent, this);
    init();
}

bool TonecReceiverService::init() {
    return WatchDriver(event, GetDTMFDevName(), O_RDONLY | O_NONBLOCK,
                       "open tonec fail, DTMF proceeding disabled: ");
}

int TonecReceiverService::Request(unsigned long request, void* record) {
    init();
    return Board::devices().ioctl(event.lowlevel_fd(), request, record);
}

int TonecReceiverService::RequestValue(unsigned long request, unsigned long value) {
    init();
    return Board::devices().ioctlValue(event.lowlevel_fd(), request, value);
}

bool TonecReceiverService::configureDTMF(unsigned ts, const LGCP::DTMFParams& params) {
    if (!OpenedFor(init(), "configure DTMF fail: (interface not opened)", ts)) return false;
    Tonec::ConfigureRecord record{};
    record.timeslot = ts;
    record.twist = params.get_threshold().get_twist().getValue();
    record.ratio = params.get_threshold().get_ratio().getValue();
    record.noise = params.get_threshold().get_noise().getValue();
    record.silence = params.get_level().get_silence().getValue();
    if (Request(Tonec::ConfigureDetector, &record) == -1) {
        ErrnoSuffix e;
        std::cerr << "DTMF_CONFIGURE_DETECTOR fail:"
                  << " timeslot=" << ts << e << std::endl;
        return false;
    }
    std::clog << "DTMF_CONFIGURE_DETECTOR"
              << " ts=" << ts << " twist=" << record.twist << " ratio=" << record.ratio
              << " noise=" << record.noise << " silence=" << record.silence << std::endl;
    return true;
}

bool TonecReceiverService::configureIVA(TonecReceiver& receiver, const LGCP::IVAParams& params) {
    unsigned ts = receiver.tonec_timeslot();
    if (!OpenedFor(init(), "configure IVA fail: (interface not opened)", ts)) return false;
    Tonec::IvaRecord record{};
    record.timeslot = ts;
    record.det_lvl_dB = params.get_det_lvl_dB().getValue();
    if (Request(Tonec::IvaConfigure, &record) == -1) {
        ErrnoSuffix e;
        std::cerr << "IVA_CONFIGURE_DETECTOR fail:"
                  << " timeslot=" << ts << e << std::endl;
        return false;
    }
    std::clog << "IVA_CONFIGURE_DETECTOR"
              << " ts=" << ts << " det_lvl_dB=" << record.det_lvl_dB << std::endl;
    return true;
}

bool TonecReceiverService::enableDTMF(TonecReceiver& receiver, bool on) {
    if (receiver.dtmfEnabled == on) return true;
    unsigned ts = receiver.tonec_timeslot();
    if (!on) {
        if (RequestValue(Tonec::DisableDetector, ts) == -1) {
            ErrnoSuffix e;
            std::cerr << "DTMF_DISABLE_DETECTOR fail:"
                      << " timeslot=" << ts << e << std::endl;
            return false;
        }
        receiver.dtmfEnabled = false;
        std::cerr << "DTMF_DISABLE_DETECTOR done:"
                  << " timeslot=" << ts << std::endl;
        return true;
    }
    Tonec::EnableRecord record{};
    record.timeslot = ts;
    record.id = ids.Next();
    if (Request(Tonec::EnableDetector, &record) == -1) {
        ErrnoSuffix e;
        std::cerr << "DTMF_ENABLE_DETECTOR fail:"
                  << " timeslot=" << ts << " id=" << record.id << e << std::endl;
        return false;
    }
    receiver.requestId = record.id;
    receiver.dtmfEnabled = true;
    std::cerr << "DTMF_ENABLE_DETECTOR done:"
              << " timeslot=" << ts << " id=" << record.id << std::endl;
    return true;
}

bool TonecReceiverService::Switch(unsigned long request, unsigned ts, const char* word,
                                  const char* suffix) {
    if (RequestValue(request, ts) == -1) {
        ErrnoSuffix e;
        std::cerr << word << suffix << " fail:"
                  << " timeslot=" << ts << e << std::endl;
        return false;
    }
    std::clog << word << suffix << "[" << ts << "] ok" << std::endl;
    return true;
}

bool TonecReceiverService::echoCancel(unsigned ts, bool on) {
    return Switch(on ? Tonec::LmsOn : Tonec::LmsOff, ts, "CHANNEL_LMS", on ? "_ON" : "_OFF");
}

// The driver has one detector of each kind per timeslot: a switch-off leaves
// it on while another receiver on the timeslot uses it.
bool TonecReceiverService::SwitchDetector(TonecReceiver& receiver, bool TonecReceiver::*flag,
                                          unsigned long enable, unsigned long disable,
                                          const char* word, bool on) {
    const bool shared =
        !on && SharedBy(receiver, [flag](const TonecReceiver& r) { return r.*flag; });
    if (!shared && !Switch(on ? enable : disable, receiver.tonec_timeslot(), word,
                           on ? "_ENABLE" : "_DISABLE"))
        return false;
    receiver.*flag = on;
    return true;
}

bool TonecReceiverService::enableDTMFReject(TonecReceiver& receiver, bool on) {
    return SwitchDetector(receiver, &TonecReceiver::dtmfReject, Tonec::RejectionEnable,
                          Tonec::RejectionDisable, "DTMF_REJECTION", on);
}

bool TonecReceiverService::enableIVA(TonecReceiver& receiver, bool on) {
    return SwitchDetector(receiver, &TonecReceiver::ivaEnabled, Tonec::IvaEnable, Tonec::IvaDisable,
                          "IVA_DETECTOR", on);
}

bool TonecReceiverService::enableToneGenerator(unsigned ts, unsigned short freq1,
                                               unsigned short freq2, unsigned short amp1,
                                               unsigned short amp2) {
    Tonec::DialRecord record{};
    record.timeslot = ts;
    record.freq1 = freq1;
    record.freq2 = freq2;
    record.amp1 = amp1;
    record.amp2 = amp2;
    if (Request(Tonec::Dial, &record) != -1) return true;
    ErrnoSuffix e;
    std::cerr << "DTMF_DIAL fail:"
              << " timeslot=" << ts << e << std::endl;
    return false;
}

void TonecReceiverService::translateSelcal(TonecReceiver& receiver,
                                           const TERM::SelcalCommand& command) {
    unsigned ts = receiver.tonec_timeslot();
    const std::string& signs = command.get_signs();
    if (signs.size() < sizeof(Tonec::SelcalRecord::signs)) {
        std::cerr << "SELCAL_DIAL fail:"
                  << " timeslot=" << ts << " incorect signs:" << signs << std::endl;
        return;
    }
    Tonec::SelcalRecord record{};
    record.timeslot = ts;
    record.amplitude =
        command.amp_isPresent() ? static_cast<std::uint16_t>(command.get_amp().getValue()) : 12000;
    std::memcpy(record.signs, signs.data(), sizeof record.signs);
    if (Request(Tonec::SelcalDial, &record) == -1) {
        ErrnoSuffix e;
        std::cerr << "SELCAL_DIAL fail:"
                  << " timeslot=" << ts << e << std::endl;
    }
}

bool TonecReceiverService::SharedBy(const TonecReceiver& receiver, const Uses& uses) const {
    for (auto it = receivers.begin(); it != receivers.end(); ++it) {
        const TonecReceiver* other = Containers::offset(*it, &TonecReceiver::link);
        if (other != &receiver && other->tonec_timeslot() == receiver.tonec_timeslot() &&
            uses(*other))
            return true;
    }
    return false;
}

void TonecReceiverService::OnEvent(int fd, short revents) {
    if (!ReadDriverEvents(fd, revents, sizeof(Tonec::EventRecord), "tonec",
                          [this](const void* record) { Dispatch(record); }))
        event.Release();
}

// The driver tags every detection of a timeslot with the id of its latest
// DTMF enable. The walk only chooses: the receiver is called after it, so one
// destroyed by tonec_event() is never touched again, and the next record
// walks the list afresh. With no receiver of the event's detector, the first
// on the timeslot tells why the event is dropped.
void TonecReceiverService::Dispatch(const void* data) {
    Tonec::EventRecord e;
    std::memcpy(&e, data, sizeof e);
    std::clog << "dtmf event: " << e << std::endl;
    TonecReceiver* first = nullptr;
    TonecReceiver* dtmf = nullptr;
    TonecReceiver* iva = nullptr;
    for (auto it = receivers.begin(); it != receivers.end(); ++it) {
        TonecReceiver* receiver = Containers::offset(*it, &TonecReceiver::link);
        if (receiver->tonec_timeslot() != e.timeslot) continue;
        if (!first) first = receiver;
        if (receiver->dtmfEnabled && (!dtmf || receiver->requestId == e.id)) dtmf = receiver;
        if (receiver->ivaEnabled && !iva) iva = receiver;
    }
    if (!first) {
        std::cerr << "receive tonec event from unknown timeslot " << e.timeslot << std::endl;
        return;
    }
    TonecReceiver* owner = FromIva(e.code) ? iva : dtmf;
    if (!owner) owner = first;
    const std::uint32_t current = (dtmf ? dtmf : owner)->requestId;
    if (!owner->DetectorActive())
        std::clog << "ignore spurious dtmf event (DTMF disabled): " << e << std::endl;
    else if (current != e.id)
        std::clog << "ignore spurious dtmf event: " << e << " rid=" << current << std::endl;
    else
        owner->tonec_event(TonecReceiver::Params{e.code, e.timestamp});
}

}  // namespace Hardware
