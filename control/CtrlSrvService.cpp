#include "control/CtrlSrvService.h"

#include <iostream>

namespace CtrlSrv {

bool Service::CheckServer() const {
    if (server) return true;
    std::cerr << "CtrlSrv::Service error! service not connected to server." << std::endl;
    return false;
}

void Service::Success() {
    if (CheckServer()) server->Success();
}

void Service::Error(LGCP::ErrorCause::NamedNumber cause) {
    if (CheckServer()) server->Error(cause);
}

void Service::SendSignal(const LGCP::Signal& signal) {
    if (!CheckServer()) return;
    server->OfferSignal(this, signal);
    server->SendSignal(signal);
}

void Service::SendSignal(unsigned slotNo, const LGCP::Signal& signal) {
    if (!CheckServer()) return;
    server->OfferSignal(this, signal);
    server->SendSignal(slotNo, signal);
}

void Service::OfferSignal(const LGCP::Signal& signal) {
    if (CheckServer()) server->OfferSignal(this, signal);
}

std::int32_t Service::GetSlot() const { return CheckServer() ? server->GetSlot() : -1; }

bool Service::IsSlotPresent() const { return CheckServer() && server->IsSlotPresent(); }

SeqToken Service::delayResponse() {
    return CheckServer() ? server->delayResponse() : noSeq;
}

void Service::delayedSuccess(unsigned slotNo, SeqToken seqNo) {
    if (CheckServer()) server->delayedSuccess(slotNo, seqNo);
}

bool Service::CheckServerConnection(bool& connected) const {
    return server && server->CheckServerConnection(connected);
}

}  // namespace CtrlSrv
