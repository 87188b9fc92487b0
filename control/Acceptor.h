// The server half shared by the TCP and the local transports: binds the
// listening socket (trying again every 5000 ms while that fails) and serves
// one connection at a time; a connection arriving while one is up is
// accepted and closed at once. When accept() fails for want of descriptors
// or memory, the waiting connection stays queued and the socket readable:
// accepting then rests for 1000 ms instead of spinning the loop.
#pragma once

#include "control/ServiceNet.h"
#include "control/ServiceUnix.h"
#include "runtime/Event.h"
#include "runtime/Fd.h"
#include "runtime/Timer.h"

namespace Control {

// Flavour is ServiceNet or ServiceUnix.
template <class Flavour>
class Acceptor : public Flavour {
public:
    static constexpr unsigned bind_retry_ms = 5000;
    static constexpr unsigned accept_pause_ms = 1000;

    void BindSocket();
    void OnTimeout(Timer*) { BindSocket(); }
    void OnSocketEvent(int fd, short revents);
    // The end of a pause in accepting.
    void OnPauseTimeout(Timer*);

protected:
    using Address = typename Flavour::Address;

    // eventName: the listening watch's name in the status dump.
    explicit Acceptor(const char* eventName) : event_name(eventName) {}

    // False, and the transport Idle, when the listener cannot be set up.
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
    const char* event_name;
    Timer bind_timer;
    Timer accept_pause;
    Event listen_event;
};

extern template class Acceptor<ServiceNet>;
extern template class Acceptor<ServiceUnix>;

}  // namespace Control
