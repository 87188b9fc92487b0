#include "slots/Slot.h"

#include "hardware/HwMux.h"
#include "slots/SlotFactory.h"
#include "slots/Slots.h"

#include <algorithm>
#include <iomanip>
#include <iostream>

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
