// The controller message server: decodes each message the controller sends,
// offers its command to the bound services in bind order, makes sure every
// decoded command is answered exactly once (success, error, or a deferred
// success), and encodes and sends the services' answers and signals.
#pragma once

#include "control/ControlNotify.h"
#include "control/ControlService.h"
#include "control/CtrlSrvService.h"
#include "runtime/Timer.h"
#include "schema/LGCP.h"

#include <cstdint>
#include <ostream>

namespace CtrlSrv {

class Server final : public Control::Notify, public Host {
public:
    // The token of a deferred answer to a command that carried no seq.
    static constexpr SeqToken noSeq = CtrlSrv::noSeq;
    static constexpr unsigned maxServices = 16;
    static constexpr unsigned maxSlot = 1023;

    constexpr Server() = default;
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server() override { Deactivate(); }

    // Appends the service to the dispatch order.
    void Bind(Service* service);
    // Takes the service out of the dispatch order and leaves it unbound. The
    // daemon's services stay bound for the process; a test gives back the
    // ones it bound to a server that is about to go.
    void Unbind(Service* service);
    // Takes ownership of the transport, names it "server" and starts it.
    bool Activate(Control::Service* link);
    // Stops and deletes the transport; every service hears OnDisconnect.
    void Deactivate();

    void OnConnect() override;
    void OnDisconnect() override;
    void OnMessage(const char* data, int length) override;
    void OnMessage(const LGCP::Message& message);

    void Success() override;
    void Error(LGCP::ErrorCause::NamedNumber cause) override;
    SeqToken delayResponse() override;
    void delayedSuccess(unsigned slotNo, SeqToken seqNo) override;
    void OfferSignal(const Service* from, const LGCP::Signal& signal) override;
    void SendSignal(const LGCP::Signal& signal) override;
    void SendSignal(unsigned slotNo, const LGCP::Signal& signal) override;
    void SendMsg(LGCP::Message& message);
    void AssignSeq(LGCP::Message& message) const;
    void AssignSlot(LGCP::Message& message) const;

    std::int32_t GetSlot() const override { return slot; }
    bool IsSlotPresent() const override { return slot != -1; }
    bool CheckServerConnection(bool& connected) const override;
    // Drops the controller's connection.
    void OnHeartbeatTimeout();

    // "ctrl [peer]: ", "ctrl [not connected]: " or "ctrl [null]: ".
    void PutHeader(std::ostream& os) const;

    // The average-statistics period: armed for avg_stat_ms on each connect,
    // cancelled on disconnect; nothing is averaged when it ends.
    static constexpr unsigned avg_stat_ms = 5000;
    void SetAvgStatTimer();
    void OnUpdateAvgStat() {}

private:
    void ForEach(void (Service::*member)());
    // Success and Error are answers to the command being dispatched.
    bool InDispatch(const char* what) const;

    Service* services[maxServices] = {};
    unsigned serviceCount = 0;
    Control::Service* transport = nullptr;
    bool dispatching = false;
    bool seqPresent = false;
    std::int32_t seq = 0;
    std::int32_t slot = -1;
    // 0 not answered, 1 success sent or answer deferred, 2 error sent.
    std::int32_t respState = 0;
    Timer avgStatTimer;
};

}  // namespace CtrlSrv

extern CtrlSrv::Server ctrlServer;
