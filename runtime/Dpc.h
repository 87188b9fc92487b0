// Deferred procedure call: a callback that the main loop runs twice in each
// iteration (after the due timers and again just before poll()) while it is
// active. A one-shot use deactivates itself in its callback.
#pragma once

#include "runtime/F_dual_list.h"

class Multiplexer;

class DpcHandler {
public:
    virtual void Invoke() = 0;
    virtual ~DpcHandler() = default;
};

class DpcHandler1 : public DpcHandler {
public:
    explicit DpcHandler1(void (*f)()) : fn(f) {}
    void Invoke() override { fn(); }

private:
    void (*fn)();
};

template <class T>
class TDpcHandler : public DpcHandler {
public:
    TDpcHandler(T* o, void (T::*m)()) : obj(o), member(m) {}
    void Invoke() override { (obj->*member)(); }

private:
    T* obj;
    void (T::*member)();
};

class Dpc : public F_dual_list_item<Dpc> {
public:
    Dpc() = default;
    Dpc(const Dpc&) = delete;
    Dpc& operator=(const Dpc&) = delete;
    ~Dpc();

    // Takes ownership of h and deletes the handler held so far; binding the
    // handler already held keeps it. Activation is left as it is.
    void Bind(DpcHandler* h);
    void Bind(void (*fn)()) { Bind(new DpcHandler1(fn)); }
    template <class T>
    void Bind(T* obj, void (T::*member)()) {
        Bind(new TDpcHandler<T>(obj, member));
    }

    void Activate();
    void Deactivate();
    bool IsActive() const { return active; }
    // Runs the bound handler; the loop calls this, users do not.
    void Invoke();

private:
    friend class Multiplexer;

    DpcHandler* handler = nullptr;
    bool active = false;
    // Still to run in the loop's pass in progress.
    bool queued = false;
};
