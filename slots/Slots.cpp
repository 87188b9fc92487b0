#include "slots/Slots.h"

#include "runtime/Multiplexer.h"
#include "slots/Slot.h"
#include "slots/SlotFactory.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <iostream>
#include <utility>

using Cause = LGCP::ErrorCause;

Slots& Slots::instance() {
    static Slots slots;
    return slots;
}

bool Slots::OnCommand(const LGCP::Command& command) {
    return IsSlotPresent() ? OnSlotCommand(command) : OnBaseCommand(command);
}

bool Slots::OnBaseCommand(const LGCP::Command& command) {
    if (!command.query_isSelected()) return false;
    CmdQuery();
    return true;
}

bool Slots::OnSlotCommand(const LGCP::Command& c) {
    using C = LGCP::Command;
    switch (c.currentSelection()) {
        case C::connect::Id::value:
            CmdConnect(c.get_connect().getValue());
            return true;
        case C::disconnect::Id::value:
            CmdDisconnect();
            return true;
        case C::create::Id::value:
            CmdCreate(c.get_create());
            return true;
        case C::destroy::Id::value:
            CmdDestroy();
            return true;
        case C::activate::Id::value:
            CmdActivate(c.get_activate());
            return true;
        case C::deactivate::Id::value:
            CmdDeactivate();
            return true;
        case C::userData::Id::value:
            CmdUserData(c.get_userData());
            return true;
        case C::ioctl::Id::value:
            CmdIoctl(c.get_ioctl());
            return true;
        default:
            return false;
    }
}

void Slots::OnSignal(const LGCP::Signal& signal) {
    if (!signal.trunkStatus_isSelected()) return;
    for (SlotFactory* f = firstFactory; f; f = f->GetNext()) f->SelfSignal(signal);
}

Slot* Slots::CommandSlot() {
    Slot* slot = Get(unsigned(GetSlot()));
    if (!slot) Error(Cause::slotNotExists);
    return slot;
}

bool Slots::Recorded(const Slot* slot) const {
    return slot->number <= maxSlot && table[slot->number] == slot;
}

void Slots::CmdQuery() {
    Success();
    UpdateHardwareResources();
}

void Slots::CmdCreate(const LGCP::CreateParams& params) {
    const unsigned number = unsigned(GetSlot());
    if (Slot* old = table[number]) {
        if (old->releasing) return Error(Cause::destroyInProgress);
        Destroy(old);
        if (table[number]) return Error(Cause::slotIdBusy);
    }
    Slot* slot = nullptr;
    for (SlotFactory* f = firstFactory; f && !slot; f = f->GetNext()) slot = f->NewSlot(params);
    if (!slot) return Error(Cause::insufficientResources);
    slot->number = number;
    live.push_back(slot);
    table[number] = slot;
    Success();
    slot->IAfterCreate();
}

// A kind may finish its release inside IBeforeDestroy already; the slot is
// then gone, which the table shows.
void Slots::CmdDestroy() {
    Slot* slot = CommandSlot();
    if (!slot) return;
    if (slot->releasing) return Error(Cause::destroyInProgress);
    const unsigned number = slot->number;
    if (Destroy(slot) || table[number] != slot) return Success();
    slot->delayedSeq = delayResponse();
    slot->answerOwed = true;
}

// A releasing slot has left its connections and is about to be deleted: no
// new link may reach it.
void Slots::CmdConnect(unsigned peer) {
    if (peer > maxSlot) return Error(Cause::invalidSlot);
    Slot* transmitter = Get(unsigned(GetSlot()));
    Slot* receiver = Get(peer);
    if (!transmitter || !receiver) return Error(Cause::slotNotExists);
    if (transmitter->releasing || receiver->releasing) return Error(Cause::destroyInProgress);
    if (!Connect(*transmitter, *receiver)) return Error(Cause::connectFail);
    Success();
}

void Slots::CmdDisconnect() {
    Slot* slot = CommandSlot();
    if (!slot) return;
    if (!Disconnect(*slot)) return Error(Cause::disconnectFail);
    Success();
}

void Slots::CmdActivate(const TERM::TermActivateParams& params) {
    Slot* slot = CommandSlot();
    if (!slot) return;
    if (!slot->IActivate(params)) return Error(Cause::unsupported);
    Success();
}

void Slots::CmdDeactivate() {
    Slot* slot = CommandSlot();
    if (!slot) return;
    if (!slot->IDeactivate()) return Error(Cause::unsupported);
    Success();
}

void Slots::CmdUserData(const std::vector<char>& octets) {
    Slot* slot = CommandSlot();
    if (!slot) return;
    if (!slot->IUserData(octets)) return Error(Cause::unsupported);
    Success();
}

void Slots::CmdIoctl(const LGCP::IoctlParams& params) {
    Slot* slot = CommandSlot();
    if (!slot) return;
    if (!slot->Ioctl(params)) return Error(Cause::unsupported);
    Success();
}

bool Slots::Destroy(Slot* slot) {
    if (!Recorded(slot)) {
        std::cerr << "slots: refused to destroy slot " << *slot << ": not recorded" << std::endl;
        return false;
    }
    Disconnect(*slot);
    for (std::size_t n = slot->receivers.size(); n > 0; --n) {
        if (slot->receivers.empty()) {
            std::cerr << "mux internal error: expected slots not exists." << std::endl;
            break;
        }
        Disconnect(*slot->receivers.front());
    }
    if (!slot->receivers.empty())
        std::cerr << "mux internal error: unexpected slots exists." << std::endl;
    slot->releasing = true;
    if (!slot->BeforeDestroy()) return false;
    on_release(slot);
    return true;
}

void Slots::on_release(Slot* slot) {
    if (slot->answerOwed) delayedSuccess(slot->number, slot->delayedSeq);
    int_destroy(slot);
}

void Slots::int_destroy(Slot* slot) {
    if (!Recorded(slot)) {
        std::cerr << "slots: refused to delete slot " << *slot << ": not recorded" << std::endl;
        return;
    }
    live.erase(std::remove(live.begin(), live.end(), slot), live.end());
    table[slot->number] = nullptr;
    if (SlotFactory* f = slot->factory) f->Remove(slot);
    delete slot;
}

// Slots still releasing after the second are deleted regardless. Each is
// looked up by its number first, since another slot's release may have
// finished it meanwhile. The second is taken on every drop, with nothing
// releasing too, and blocks the whole loop: the next controller waits for it.
// Another signal caught meanwhile (a status dump) does not cut it short; a
// stop does, since the shutdown gives the slots a second of its own.
void Slots::OnDisconnect() {
    std::vector<std::pair<unsigned, Slot*>> pending;
    while (!live.empty()) {
        Slot* slot = live.front();
        const unsigned number = slot->number;
        if (!slot->releasing && Destroy(slot)) continue;
        if (table[number] == slot) pending.emplace_back(number, slot);
        auto it = std::find(live.begin(), live.end(), slot);
        if (it != live.end()) live.erase(it);
    }
    timespec left{1, 0};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR && !multiplexer.IsTerminating())
        continue;
    for (const auto& p : pending)
        if (table[p.first] == p.second) int_destroy(p.second);
}

void Slots::UpdateHardwareResources() {
    LGCP::Signal signal;
    LGCP::Resources& r = signal.select_query();
    r.set_rtp_g729(0);
    r.set_rtp_g723(0);
    r.set_rtp_g711(0);
    r.set_rtp_g711mcc(0);
    r.set_modem(0);
    r.set_mux(true);
    r.omit_drvVersion();
    r.set_mcc_data(0);
    r.set_mcc_bri(0);
    r.set_mcc_trans(0);
    r.set_echoBus().clear();
    r.set_t38_instances(0);
    r.set_digital_modems(0);
    r.set_lin16(0);
    r.set_mixer().clear();
    for (SlotFactory* f = firstFactory; f; f = f->GetNext()) f->Query(r);
    SendSignal(signal);
}
