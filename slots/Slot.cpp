#include "slots/Slot.h"

#include "hardware/HwMux.h"
#include "slots/SlotFactory.h"
#include "slots/Slots.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iomanip>
#include <iostream>

namespace {

// One signal of the slot, its alternative filled in by fill.
template <class Fill>
void Emit(Slot& slot, Fill fill) {
    LGCP::Signal signal;
    fill(signal);
    slot.SendSignal(signal);
}

bool Bit(std::uint32_t word, unsigned bit) { return word >> bit & 1; }

// The tone driver's detection codes: 0..127 are DTMF digits, but for the fax
// tones 17 (CED) and 18 (CNG); above them the high part carries an IVA code
// 1..20 or the ring-off (21). False for a code that is none of these.
bool TonecCode(std::int32_t code, LGCP::TonecCode& out) {
    if (code == 17) {
        out.select_ced();
    } else if (code == 18) {
        out.select_cng();
    } else if (code >= 0 && code <= 127) {
        out.select_dtmf(unsigned(code));
    } else {
        const std::int32_t high = code >> 8;
        if (high >= 1 && high <= 20)
            out.select_iva().select_code(unsigned(high));
        else if (high == 21)
            out.select_iva().select_ringoff();
        else
            return false;
    }
    return true;
}

}  // namespace

bool Slot::IHwConnectTransmitter(Slot& receiver) { return MuxConnect(*this, receiver); }

bool Slot::IHwConnectReceiver(Slot& transmitter) { return MuxConnect(transmitter, *this); }

bool Slot::IHwDisconnectTransmitter(Slot& receiver) { return MuxDisconnect(receiver); }

bool Slot::IHwDisconnectReceiver(Slot&) { return MuxDisconnect(*this); }

void Slot::SendSignal(const LGCP::Signal& signal) { Slots::instance().SendSignal(number, signal); }

void Slot::OnChangeInputStream(bool active) {
    if (inputStream == active) return;
    LGCP::Signal signal;
    if (active) {
        signal.select_receiver().select_active(IGetReceiveChannel());
    } else {
        signal.select_receiver().select_inactive();
        Disconnect(*this);
    }
    inputStream = active;
    SendSignal(signal);
}

void Slot::OnChangeOutputStream(bool active) {
    if (outputStream == active) return;
    LGCP::Signal signal;
    if (active) {
        signal.select_transmitter().select_active(IGetTransmitChannel());
    } else {
        signal.select_transmitter().select_inactive();
        for (std::size_t n = receivers.size(); n > 0; --n) {
            if (receivers.empty()) {
                std::cerr << "mux: internal error: expected slots not exists." << std::endl;
                break;
            }
            Disconnect(*receivers.front());
        }
    }
    outputStream = active;
    SendSignal(signal);
}

void Slot::LogicalConnect(Slot& transmitter) {
    source = &transmitter;
    auto& list = transmitter.receivers;
    auto at = std::lower_bound(list.begin(), list.end(), this, std::less<Slot*>());
    if (at == list.end() || *at != this) list.insert(at, this);
}

void Slot::LogicalDisconnect() {
    if (!source) return;
    auto& list = source->receivers;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    source = nullptr;
}

bool Slot::BeforeDestroy() {
    if (!IBeforeDestroy()) return false;
    if (factory)
        factory->Remove(this);
    else
        std::cerr << "slot: internal error!!! BeforeDestroy() not connected to factory"
                  << std::endl;
    return true;
}

void Slot::on_release() {
    if (!releasing) return;
    if (factory) factory->Remove(this);
    Slots::instance().on_release(this);
}

void Slot::Put(std::ostream& os) const {
    if (number <= Slots::maxSlot) {
        char fill = os.fill('0');
        os << std::setw(2) << number;
        os.fill(fill);
    } else if (number == unsigned(-1)) {
        os << "na";
    } else {
        os << 'i' << number;
    }
    os << ':' << GetName();
}

std::ostream& operator<<(std::ostream& os, const Slot& slot) {
    slot.Put(os);
    return os;
}

bool llConnect(Slot& transmitter, Slot& receiver) {
    if (transmitter.GetConnectionPriority() <= receiver.GetConnectionPriority())
        return receiver.IHwConnectReceiver(transmitter);
    return transmitter.IHwConnectTransmitter(receiver);
}

bool llDisconnect(Slot& receiver) {
    Slot* source = receiver.GetSource();
    if (!source) return false;
    if (receiver.GetConnectionPriority() <= source->GetConnectionPriority())
        return source->IHwDisconnectTransmitter(receiver);
    return receiver.IHwDisconnectReceiver(*source);
}

bool MuxConnect(Slot& transmitter, Slot& receiver) {
    int transmit = transmitter.IGetTransmitChannel();
    int receive = receiver.IGetReceiveChannel();
    if (!HwMux::instance().Connect(transmit, receive)) return false;
    std::clog << "mux: slot " << transmitter << " [" << transmit << "] -> " << receiver << " ["
              << receive << "]" << std::endl;
    return true;
}

bool MuxDisconnect(Slot& receiver) {
    int receive = receiver.IGetReceiveChannel();
    if (!HwMux::instance().Disconnect(receive)) return false;
    std::clog << "mux: disconnect slot " << receiver << " [" << receive << "]" << std::endl;
    return true;
}

// A receiver moved from an old source keeps a link that matches the switch:
// when the new path cannot be made, the old one is made again, and when even
// that fails the receiver leaves the old source too.
bool Connect(Slot& transmitter, Slot& receiver) {
    if (receiver.GetSource() == &transmitter) return true;
    if (transmitter.GetReceivers().empty()) {
        if (!transmitter.IOnOutputStream()) {
            std::cerr << "slot " << transmitter << " don't have output stream to " << receiver
                      << std::endl;
            return false;
        }
        transmitter.OnChangeOutputStream(true);
    }
    Slot* old = receiver.GetSource();
    if (!old) {
        if (!receiver.IOnInputStream()) {
            std::cerr << "slot " << receiver << " don't have input stream from " << transmitter
                      << std::endl;
            return false;
        }
        receiver.OnChangeInputStream(true);
    } else {
        llDisconnect(receiver);
    }
    if (!llConnect(transmitter, receiver)) {
        if (old && !llConnect(*old, receiver)) {
            receiver.LogicalDisconnect();
            if (old->GetReceivers().empty()) old->IOnOutputRelease();
        }
        if (!receiver.GetSource()) receiver.IOnInputRelease();
        if (transmitter.GetReceivers().empty()) transmitter.IOnOutputRelease();
        return false;
    }
    if (old) {
        receiver.LogicalDisconnect();
        if (old->GetReceivers().empty()) old->IOnOutputRelease();
    }
    receiver.LogicalConnect(transmitter);
    return true;
}

bool Disconnect(Slot& receiver) {
    Slot* source = receiver.GetSource();
    if (!source) return true;
    bool result = llDisconnect(receiver);
    receiver.LogicalDisconnect();
    receiver.IOnInputRelease();
    if (source->GetReceivers().empty()) source->IOnOutputRelease();
    return result;
}

void Slot::OnTonecEvent(const LGCP::TonecEvent& event) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_tonec(event); });
}

void Slot::OnNumber(const std::string& number) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_number(number); });
}

void Slot::OnModem(const TERM::ModemProceeding& proceeding) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_modemProceeding(proceeding); });
}

void Slot::OnModem(const TERM::ModemInformation& information) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_modemInformation(information); });
}

void Slot::OnActivated() {
    Emit(*this, [](LGCP::Signal& s) { s.select_activated(); });
}

void Slot::OnDeactivated() {
    Emit(*this, [](LGCP::Signal& s) { s.select_deactivated(LGCP::DeactivateCause::networkError); });
}

void Slot::OnAbort(int cause) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_abort(cause); });
}

void Slot::OnUserData(const std::vector<char>& octets) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_userData(octets); });
}

void Slot::OnIoctlResponse(const LGCP::IoctlResponse& response) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_ioctl(response); });
}

void Slot::OnRtpRadioEvent(const TERM::RtpRadioRequest& request) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_rtpExt(request); });
}

void Slot::OnVADEvent(const LGCP::VADEvent& event) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_vad(event); });
}

void Slot::OnProtoVarnEvent(const VARNGW::ProtoVarnPackets& packets) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_protoVarn(packets); });
}

void Slot::OnSDEvent(const LGCP::SDEvent& event) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_sd(event); });
}

void Slot::OnRtpEvent(const LGCP::RtpEvent& event) {
    Emit(*this, [&](LGCP::Signal& s) { s.select_rtp(event); });
}

void Slot::processTonecEvent(const Hardware::TonecReceiver::Params& params) {
    LGCP::TonecEvent event;
    event.set_timestamp(int(params.timestamp));
    if (!TonecCode(params.code, event.set_event())) {
        std::cerr << "bad DTMF code, ignored." << std::endl;
        return;
    }
    OnTonecEvent(event);
}

void Slot::processToneGenEvent() {
    LGCP::TonecEvent event;
    event.set_timestamp(0);
    event.set_event().select_dtmfDone();
    OnTonecEvent(event);
}

void Slot::processToneFltEvent(const dsproc_tone_event* ev) {
    LGCP::TonecEvent event;
    event.set_timestamp(0);
    LGCP::TonePresence& tone = event.set_event().select_tone_presence();
    tone.set_freq(int(ev->freq));
    tone.set_presence(std::int32_t(ev->presence) > 0);
    OnTonecEvent(event);
}

// A negative value leaves its direction out.
void Slot::processVADEvent(const Hardware::DSProcVADEvent& ev) {
    if (ev.rx < 0 && ev.tx < 0) {
        std::cerr << "bad VAD event, ignored." << std::endl;
        return;
    }
    LGCP::VADEvent event;
    if (ev.rx >= 0) event.set_vad_rx(ev.rx > 0);
    if (ev.tx >= 0) event.set_vad_tx(ev.tx > 0);
    OnVADEvent(event);
}

void Slot::processSDEvent(const Hardware::DSProcSDEvent& ev) {
    if (ev.rx < 0) {
        std::cerr << "bad SD event, ignored." << std::endl;
        return;
    }
    LGCP::SDEvent event;
    event.set_sd_rx(ev.rx > 0);
    OnSDEvent(event);
}

void Slot::processFlagsEvent(const dsproc_flags_event* ev) {
    const unsigned vadRx = 29, vadTx = 30, selcal = 31;
    if (Bit(ev->mask, vadRx) || Bit(ev->mask, vadTx)) {
        LGCP::VADEvent event;
        if (Bit(ev->mask, vadRx)) event.set_vad_rx(Bit(ev->flags, vadRx));
        if (Bit(ev->mask, vadTx)) event.set_vad_tx(Bit(ev->flags, vadTx));
        OnVADEvent(event);
    }
    if (Bit(ev->mask, selcal)) {
        LGCP::SelcalEvent event;
        event.set_in_progress(Bit(ev->flags, selcal));
        Emit(*this, [&](LGCP::Signal& s) { s.select_selcal(event); });
    }
}

// However large the score, its text is cut at 31 characters.
void Slot::processBSSEvent(const dsproc_bss_event* ev) {
    char score[32];
    std::snprintf(score, sizeof score, "%4.6f", double(ev->score));
    LGCP::BSSEvent event;
    event.set_score(score);
    Emit(*this, [&](LGCP::Signal& s) { s.select_bss(event); });
}

void Slot::processRtpEvent(const rtp_event& ev) {
    if (ev.type != rtpPacketDetect) return;
    LGCP::RtpEvent event;
    LGCP::RtpPDEvent& pd = event.select_pd();
    pd.set_value(int(ev.value));
    pd.set_timeout(int(ev.timeout));
    OnRtpEvent(event);
}
