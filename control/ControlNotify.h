// What the user of a control transport implements: it learns of the
// connection coming up and going down, and receives each message body.
#pragma once

namespace Control {

class Notify {
public:
    virtual ~Notify() = default;
    virtual void OnConnect() = 0;
    // Always called from a deferred call, never inside the transport's own
    // socket callbacks.
    virtual void OnDisconnect() = 0;
    virtual void OnMessage(const char* data, int length) = 0;
};

}  // namespace Control
