// A control transport: whole messages over one stream connection, framed by
// TPKT over the stream socket layer, with one user told of connection changes
// and received messages. The flavours (listening, connecting) say how a
// connection comes about.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "control/ControlNotify.h"
#include "control/StrmProtocol.h"
#include "runtime/Dpc.h"
#include "runtime/Fd.h"
#include "runtime/Measure.h"
#include "runtime/ProtocolsFamily.h"

namespace Control {

class Service : protected ProtocolsFamily {
public:
    struct State {
        enum Type : std::int32_t { Idle = 0, Connecting = 1, Deactivating = 2, Connected = 3 };
    };

    Service();
    ~Service() override = default;

    // The one user; not owned.
    void Bind(Notify* user) { notify = user; }
    void UnBind() { notify = nullptr; }

    // Restarts the transport: Connecting, or Idle when it cannot start.
    bool Activate();
    // Stops it and closes a live connection without telling the user: Idle.
    void Deactivate();
    // Drops the live connection; the user's OnDisconnect follows from a
    // deferred call. Nothing happens while stopped or already going down.
    void Disconnect();
    // Frames and writes one message while Connected; otherwise drops it.
    void Send(const char* data, int length);
    // Closes the connection's socket without going through the stack.
    void Release() { stream->release(); }

    bool IsConnected() const { return state == State::Connected; }
    State::Type GetState() const { return state; }
    // The peer's text, kept after the connection ends.
    const std::string& GetAddr() const { return name; }

    std::uint32_t GetOverflowCounter() const { return stream->GetOverflowCounter(); }
    const std::string& service_name() const { return stream->service_name(); }
    void service_name(const std::string& text) { stream->service_name(text); }
    const Measure& get_read_measure() const { return stream->get_read_measure(); }
    const Measure& get_write_measure() const { return stream->get_write_measure(); }

protected:
    virtual bool ImplActivate() = 0;
    virtual void ImplDeactivate() = 0;
    // Runs in the deferred call, before the user's OnDisconnect.
    virtual void ImplOnDisconnect() = 0;
    // The flavour's own hold on a connection being taken over, taken once the
    // stack runs and before the user hears of it: 0, or the error number of
    // the hold that could not be had, which refuses the connection.
    virtual int ImplConnected(const Fd&) { return 0; }

    // Takes the connection over under the peer's name: the stack runs on a
    // duplicate of socket and the user's OnConnect follows. All or nothing:
    // when a copy of the socket that the connection needs cannot be made, one
    // line says why and the connection is refused unreported, so no link is
    // ever reported that nothing watches. Ignored while a drop is being
    // reported. A refused connection closes with the caller's handles; false
    // when it was not taken over.
    bool TakeOver(const Fd& socket, const std::string& peerName);

    void on_message(Packet& p) override;
    void on_activated(Protocol* p) override;
    void on_deactivated(Protocol* p, Smart_pointer<Internal_protocol_status> status) override;

    std::string name;
    bool verbose = true;
    State::Type state = State::Idle;
    Notify* notify = nullptr;
    StrmProtocol* stream;

private:
    void OnDeactivateDPC();
    bool Refuse(const std::string& peerName, int error) const;

    Dpc dpc;
};

// "Idle", "Connecting", "Deactivating", "Connected"; "Unknown" for any other value.
const char* GetTextNotation(Service::State::Type state);
std::ostream& operator<<(std::ostream& os, Service::State::Type state);

}  // namespace Control
