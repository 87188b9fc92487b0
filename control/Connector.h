// The client half shared by the TCP and the local transports: connects
// without blocking, retries by itself while the server cannot be reached
// (seven times a second apart, then every 12 to 20 s) and reconnects 10 s
// after a connection is lost.
#pragma once

#include <cstdint>

#include "control/ServiceNet.h"
#include "control/ServiceUnix.h"
#include "runtime/Event.h"
#include "runtime/Fd.h"
#include "runtime/Timer.h"

namespace Control {

// Flavour is ServiceNet or ServiceUnix.
template <class Flavour>
class Connector : public Flavour {
public:
    static constexpr unsigned reconnect_ms = 10000;

    void TryConnect();
    void OnSocketEvent(int fd, short revents);
    void OnTimeout(Timer*) { TryConnect(); }

protected:
    using Address = typename Flavour::Address;

    // eventName: the pending attempt's watch in the status dump.
    explicit Connector(const char* eventName) : event_name(eventName) {}

    // The first attempt, with seven short retries after it; false when it
    // stopped the transport.
    bool Start();
    void ImplDeactivate() override;
    void ImplOnDisconnect() override;
    // The server of an attempt; false when it cannot be addressed.
    virtual bool ServerAddress(Address& address) const = 0;
    // Readies the attempt's socket before it connects.
    virtual void PrepareSocket(const Fd&) {}

private:
    enum Failure { refused_at_once, poll_error, socket_error };

    void RetryLater(Failure how);
    void TakeOver(const Address& address);

    const char* event_name;
    Fd connect_fd;
    Timer retry_timer;
    Event connect_event;
    std::int32_t retries = 0;
};

extern template class Connector<ServiceNet>;
extern template class Connector<ServiceUnix>;

}  // namespace Control
