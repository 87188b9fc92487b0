// The interface of every controller-facing module: it hears of the controller
// connecting and going, is offered each command in bind order and answers the
// ones it takes, sees the signals of the other modules, and sends its own.
#pragma once

#include "schema/LGCP.h"

#include <cstdint>

namespace CtrlSrv {

class Service;

// What a deferred answer needs of its command: the command's seq, or noSeq when it carried
// none. Wider than seq itself, so every seq (-1 included) stays apart from noSeq.
using SeqToken = std::int64_t;
constexpr SeqToken noSeq = INT64_MIN;

// What a service needs of the server it is bound to. The server implements it, so the
// services (board devices, slots) build and link without the controller transport.
class Host {
public:
    virtual void Success() = 0;
    virtual void Error(LGCP::ErrorCause::NamedNumber cause) = 0;
    // Offers the signal to every bound service but from.
    virtual void OfferSignal(const Service* from, const LGCP::Signal& signal) = 0;
    virtual void SendSignal(const LGCP::Signal& signal) = 0;
    virtual void SendSignal(unsigned slotNo, const LGCP::Signal& signal) = 0;
    virtual std::int32_t GetSlot() const = 0;
    virtual bool IsSlotPresent() const = 0;
    virtual SeqToken delayResponse() = 0;
    virtual void delayedSuccess(unsigned slotNo, SeqToken seqNo) = 0;
    virtual bool CheckServerConnection(bool& connected) const = 0;

protected:
    ~Host() = default;
};

class Service {
public:
    Service() = default;
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
    // Does not unbind: services live as long as the server.
    virtual ~Service() = default;

    virtual void OnConnect() = 0;
    virtual void OnDisconnect() = 0;
    // True when the service takes the command; it then answers it (success,
    // error or a deferred answer) before returning.
    virtual bool OnCommand(const LGCP::Command& command) = 0;
    // A signal that another service sends, before it goes to the controller.
    virtual void OnSignal(const LGCP::Signal&) {}

    // The answer to the command being dispatched.
    void Success();
    void Error(LGCP::ErrorCause::NamedNumber cause);
    // Offered to every other bound service first, then sent; the first form
    // carries the slot of the command being dispatched, if any.
    void SendSignal(const LGCP::Signal& signal);
    void SendSignal(unsigned slotNo, const LGCP::Signal& signal);
    // Offered to every other bound service, never sent: for a report that
    // only the controller, when none is connected, would miss.
    void OfferSignal(const LGCP::Signal& signal);
    // The slot of the command being dispatched; -1 when it has none.
    std::int32_t GetSlot() const;
    bool IsSlotPresent() const;
    // Answers the command later: returns the token to hand to delayedSuccess.
    SeqToken delayResponse();
    // The deferred success for slotNo; callable at any time.
    void delayedSuccess(unsigned slotNo, SeqToken seqNo);
    // False when unbound; otherwise connected tells whether a controller is.
    bool CheckServerConnection(bool& connected) const;
    // False, with a line on the error stream, while the service is unbound.
    bool CheckServer() const;

private:
    friend class Server;

    Host* server = nullptr;
};

}  // namespace CtrlSrv
