// The interface of every controller-facing module: it hears of the controller
// connecting and going, is offered each command in bind order and answers the
// ones it takes, sees the signals of the other modules, and sends its own.
#pragma once

#include "schema/LGCP.h"

#include <cstdint>

namespace CtrlSrv {

class Server;

// What a deferred answer needs of its command: the command's seq, or Server::noSeq when it
// carried none. Wider than seq itself, so every seq (-1 included) stays apart from noSeq.
using SeqToken = std::int64_t;

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

    Server* server = nullptr;
};

}  // namespace CtrlSrv
