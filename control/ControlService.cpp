#include "control/ControlService.h"

#include <algorithm>
#include <iostream>
#include <new>

#include "config/Profile.h"
#include "control/Tpkt_protocol.h"
#include "runtime/Errno.h"

namespace Control {

Service::Service() : stream(new StrmProtocol) {
    add_protocol_tail(stream);
    add_protocol_tail(new Tpkt_protocol);
    dpc.Bind(this, &Service::OnDeactivateDPC);
}

bool Service::Activate() {
    Deactivate();
    state = State::Connecting;
    if (ImplActivate()) return true;
    state = State::Idle;
    return false;
}

void Service::Deactivate() {
    ImplDeactivate();
    // A drop still being reported must not bring the stopped transport back.
    dpc.Deactivate();
    Release();
    state = State::Idle;
}

void Service::Disconnect() {
    if (state == State::Deactivating || state == State::Idle) return;
    deactivate();
}

void Service::Send(const char* data, int length) {
    switch (state) {
        case State::Connected:
            break;
        case State::Deactivating:
            return;
        default:
            if (verbose)
                std::cerr << "Control::Service::Send() ignore Send request in " << state
                          << " state." << std::endl;
            return;
    }
    if (length < 0 || unsigned(length) > Tpkt_protocol::max_body) {
        std::cerr << "Control::Service::Send() refuse a message of " << length
                  << " octets: a TPKT packet carries at most " << Tpkt_protocol::max_body << "."
                  << std::endl;
        return;
    }
    static Profile::Point building("Control::Service::Send [1]");
    static Profile::Point sending("Control::Service::Send [2]");
    building.begin();
    Packet p;
    try {
        ProtocolsFamily::local_prepare_head(p);
    } catch (const std::bad_alloc&) {
        std::cerr << "Control::Service::Send() no packet buffer, message dropped." << std::endl;
        return;
    }
    std::copy(data, data + length, p.put(unsigned(length)));
    building.end();
    sending.begin();
    message(p);
    sending.end();
}

bool Service::TakeOver(const Fd& socket, const std::string& peerName) {
    if (state == State::Deactivating) return false;
    // Every copy of the socket is made before the stack runs, so a refusal
    // is answered here and the stack never reports a link that was not had.
    if (const int error = stream->attach(socket)) return Refuse(peerName, error);
    activate();
    if (const int error = ImplConnected(socket)) {
        Release();
        return Refuse(peerName, error);
    }
    name = peerName;
    state = State::Connected;
    if (notify) notify->OnConnect();
    return true;
}

bool Service::Refuse(const std::string& peerName, int error) const {
    if (verbose)
        std::cerr << "can't take over connection from " << peerName << ": " << Errno(error)
                  << std::endl;
    return false;
}

void Service::on_message(Packet& p) {
    if (state == State::Deactivating || !notify) return;
    notify->OnMessage(reinterpret_cast<const char*>(p.data()), int(p.length()));
}

void Service::on_activated(Protocol*) {}

void Service::on_deactivated(Protocol*, Smart_pointer<Internal_protocol_status>) {
    if (verbose) std::cerr << "control connection " << name << " closed." << std::endl;
    state = State::Deactivating;
    dpc.Activate();
}

void Service::OnDeactivateDPC() {
    dpc.Deactivate();
    state = State::Connecting;
    ImplOnDisconnect();
    if (notify) notify->OnDisconnect();
}

const char* GetTextNotation(Service::State::Type state) {
    switch (state) {
        case Service::State::Idle:
            return "Idle";
        case Service::State::Connecting:
            return "Connecting";
        case Service::State::Deactivating:
            return "Deactivating";
        case Service::State::Connected:
            return "Connected";
    }
    return "Unknown";
}

std::ostream& operator<<(std::ostream& os, Service::State::Type state) {
    return os << GetTextNotation(state);
}

}  // namespace Control
