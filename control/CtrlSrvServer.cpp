#include "control/CtrlSrvServer.h"

#include "asn1/CoderEnv.h"
#include "config/StreamManip.h"
#include "runtime/ConstInit.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <vector>

HALVOX_CONSTINIT CtrlSrv::Server ctrlServer;

namespace CtrlSrv {

namespace {

// A body that does not decode is shown up to this many octets.
constexpr int hexDumpLimit = 256;

ASN1::CoderEnv PerEnvironment() {
    ASN1::CoderEnv env;
    env.set_encodingRule(ASN1::CoderEnv::per);
    return env;
}

}  // namespace

void Server::Bind(Service* service) {
    if (serviceCount == maxServices) {
        std::cerr << ext::header(this) << "software error: more than " << maxServices
                  << " services bound!" << std::endl;
        return;
    }
    services[serviceCount++] = service;
    service->server = this;
}

void Server::Unbind(Service* service) {
    Service** const end = services + serviceCount;
    Service** const kept = std::remove(services, end, service);
    std::fill(kept, end, nullptr);
    serviceCount = unsigned(kept - services);
    if (service->server == this) service->server = nullptr;
}

bool Server::Activate(Control::Service* link) {
    Deactivate();
    transport = link;
    transport->service_name("server");
    transport->Bind(this);
    return transport->Activate();
}

void Server::Deactivate() {
    if (!transport) return;
    transport->Deactivate();
    OnDisconnect();
    transport->UnBind();
    delete transport;
    transport = nullptr;
}

void Server::ForEach(void (Service::*member)()) {
    for (unsigned i = 0; i < serviceCount; ++i) (services[i]->*member)();
}

void Server::OfferSignal(const Service* from, const LGCP::Signal& signal) {
    for (unsigned i = 0; i < serviceCount; ++i)
        if (services[i] != from) services[i]->OnSignal(signal);
}

void Server::OnConnect() {
    std::clog << ext::header(this) << "controller connect." << std::endl;
    ForEach(&Service::OnConnect);
    SetAvgStatTimer();
}

void Server::OnDisconnect() {
    ForEach(&Service::OnDisconnect);
    avgStatTimer.reset();
}

void Server::SetAvgStatTimer() { avgStatTimer.set(avg_stat_ms, &Server::OnUpdateAvgStat, this); }

void Server::OnMessage(const char* data, int length) {
    ASN1::CoderEnv env = PerEnvironment();
    LGCP::Message message;
    if (ASN1::decode(data, data + length, &env, message, true)) {
        OnMessage(message);
    } else {
        std::cerr << ext::header(this) << "receive fail: decode error!" << std::endl
                  << " msg: " << ext::hex(data, unsigned(std::min(length, hexDumpLimit)))
                  << (length > hexDumpLimit ? "…" : "") << std::endl;
    }
    slot = -1;
}

void Server::OnMessage(const LGCP::Message& m) {
    respState = 0;
    seqPresent = m.seq_isPresent();
    if (seqPresent) seq = m.get_seq().getValue();
    dispatching = true;
    if (!m.get_pdu().command_isSelected()) {
        Error(LGCP::ErrorCause::unexpectedMsgType);
    } else if (m.slot_isPresent() && m.get_slot().getValue() > maxSlot) {
        Error(LGCP::ErrorCause::invalidSlot);
    } else {
        slot = m.slot_isPresent() ? std::int32_t(m.get_slot().getValue()) : -1;
        const LGCP::Command& command = m.get_pdu().get_command();
        bool taken = false;
        for (unsigned i = 0; i < serviceCount && !taken; ++i)
            taken = services[i]->OnCommand(command);
        if (!taken) {
            Error(LGCP::ErrorCause::unexpectedMsgType);
        } else if (respState == 0) {
            std::cerr << ext::header(this) << "software error: server do NOT send ack!!!"
                      << std::endl;
            Error(LGCP::ErrorCause::internal);
        }
    }
    dispatching = false;
}

bool Server::InDispatch(const char* what) const {
    if (dispatching) return true;
    std::cerr << ext::header(this) << "software error: " << what
              << " outside a command dispatch, nothing sent!" << std::endl;
    return false;
}

void Server::Success() {
    if (!InDispatch("success") || respState != 0) return;
    LGCP::Message m;
    AssignSeq(m);
    AssignSlot(m);
    m.set_pdu().select_response().select_success();
    SendMsg(m);
    respState = 1;
}

void Server::Error(LGCP::ErrorCause::NamedNumber cause) {
    if (!InDispatch("error") || respState == 2) return;
    LGCP::Message m;
    AssignSeq(m);
    AssignSlot(m);
    m.set_pdu().select_response().select_error(cause);
    SendMsg(m);
    respState = 2;
}

SeqToken Server::delayResponse() {
    respState = 1;
    return seqPresent ? SeqToken(seq) : noSeq;
}

void Server::delayedSuccess(unsigned slotNo, SeqToken seqNo) {
    LGCP::Message m;
    if (seqNo != noSeq) m.set_seq(std::int32_t(seqNo));
    m.set_slot(slotNo);
    m.set_pdu().select_response().select_success();
    SendMsg(m);
}

void Server::SendSignal(const LGCP::Signal& signal) {
    LGCP::Message m;
    AssignSlot(m);
    m.set_pdu().select_signal(signal);
    SendMsg(m);
}

void Server::SendSignal(unsigned slotNo, const LGCP::Signal& signal) {
    LGCP::Message m;
    m.set_slot(slotNo);
    m.set_pdu().select_signal(signal);
    SendMsg(m);
}

void Server::SendMsg(LGCP::Message& m) {
    ASN1::CoderEnv env = PerEnvironment();
    std::vector<char> octets;
    octets.reserve(200);
    if (!ASN1::encode(m, &env, std::back_inserter(octets))) {
        std::cerr << ext::header(this) << "send fail: encode error!" << m << std::endl;
        return;
    }
    if (transport)
        transport->Send(octets.data(), int(octets.size()));
    else
        std::cerr << ext::header(this) << "send fail: Service not attached!" << std::endl;
}

void Server::AssignSeq(LGCP::Message& m) const {
    if (seqPresent)
        m.set_seq(seq);
    else
        m.omit_seq();
}

void Server::AssignSlot(LGCP::Message& m) const {
    if (slot != -1)
        m.set_slot(unsigned(slot));
    else
        m.omit_slot();
}

bool Server::CheckServerConnection(bool& connected) const {
    if (!transport) return false;
    connected = transport->IsConnected();
    return true;
}

void Server::OnHeartbeatTimeout() {
    if (transport) transport->Disconnect();
}

void Server::PutHeader(std::ostream& os) const {
    if (!transport)
        os << "ctrl [null]: ";
    else if (transport->IsConnected())
        os << "ctrl [" << transport->GetAddr() << "]: ";
    else
        os << "ctrl [not connected]: ";
}

}  // namespace CtrlSrv
