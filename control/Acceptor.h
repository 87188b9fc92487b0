// The server half shared by the TCP and the local transports: makes, binds
// and watches the listening socket (trying again every 5000 ms while that
// fails) and serves one connection at a time; a connection arriving while one
// is up is accepted and closed at once. When accept() fails for want of
// descriptors or memory, accepting rests (AcceptPause).
#pragma once

#include "control/ServiceNet.h"
#include "control/ServiceUnix.h"
#include "runtime/AcceptPause.h"
#include "runtime/Event.h"
#include "runtime/Fd.h"
#include "runtime/Timer.h"

namespace Control {

// Flavour is ServiceNet or ServiceUnix.
template <class Flavour>
class Acceptor : public Flavour {
public:
    static constexpr unsigned bind_retry_ms = 5000;

    void BindSocket();
    // A retry that fails for good stops the transport, as at start.
    void OnTimeout(Timer*);
    void OnSocketEvent(int fd, short revents);

protected:
    using Address = typename Flavour::Address;

    // eventName: the listening watch's name in the status dump.
    explicit Acceptor(const char* eventName) {
        listen_event.Bind(eventName, &Acceptor::OnSocketEvent, this);
    }

    // False, and the transport Idle, when the listener cannot be set up and
    // will not be tried again.
    bool ImplActivate() override;
    void ImplDeactivate() override;
    void ImplOnDisconnect() override {}
    // A connection refused because another one is up.
    virtual void ImplRefuseConnection() {}
    // The address to bind to, with listen_fd readied for it; false (said in
    // the log) when there is none, which stops the transport.
    virtual bool PrepareBind(Address& address) = 0;

    Fd listen_fd;

private:
    // Makes the listening socket unless there is one, then binds it. Short of
    // descriptors or memory, making it is tried again in bind_retry_ms, as a
    // failed bind is: it is the transport's one way in, and a passing
    // shortage must not close it for good. False when the socket cannot be
    // made for any other reason, which is not tried again.
    bool Listen();

    Timer bind_timer;
    Event listen_event;
    AcceptPause accept_pause{listen_event};
};

extern template class Acceptor<ServiceNet>;
extern template class Acceptor<ServiceUnix>;

}  // namespace Control
