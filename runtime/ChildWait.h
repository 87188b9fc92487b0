// A watch on one child process: its bound member is called with the child's
// wait status, on the main loop, once the child has ended.
#pragma once

#include "runtime/F_dual_list.h"

#include <cstddef>
#include <new>

class ChildWaitService;

class ChildWait : public F_dual_list_item<ChildWait> {
public:
    // Handlers live in the watch's own storage, so binding allocates nothing.
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void Invoke(ChildWait& watch, int status) = 0;
    };

    class DummyHandler : public Handler {
    public:
        void Invoke(ChildWait&, int) override {}
    };

    template <class T>
    class THandler1 : public Handler {
    public:
        THandler1(T& o, void (T::*m)(int)) : obj(o), member(m) {}
        void Invoke(ChildWait&, int status) override { (obj.*member)(status); }

    private:
        T& obj;
        void (T::*member)(int);
    };

    // Held as a static object by every module that uses watches: the first
    // creates the child-exit service, the last destroys it, so the service
    // outlives every static watch.
    class Init {
    public:
        Init();
        ~Init();
        Init(const Init&) = delete;
        Init& operator=(const Init&) = delete;
    };

    ChildWait() : handler(new (storage) DummyHandler) {}
    ~ChildWait();
    ChildWait(const ChildWait&) = delete;
    ChildWait& operator=(const ChildWait&) = delete;

    template <class T>
    void Bind(T* obj, void (T::*member)(int)) {
        static_assert(sizeof(THandler1<T>) <= sizeof storage, "handler too large for a watch");
        handler->~Handler();
        handler = new (storage) THandler1<T>(*obj, member);
    }
    // Watches pid; the next exit of that child is reported once. Attaching
    // again moves the watch to the new pid.
    void Attach(int pid);
    void Detach();
    bool IsAttached() const { return attached; }

    static void Initialize();
    static void Cleanup();
    // Starts reaping: the start-up code calls it once before the loop runs.
    static void Activate();

    static int UsageCounter;

private:
    friend class ChildWaitService;

    int pid = 0;
    bool attached = false;
    alignas(std::max_align_t) unsigned char storage[64];
    Handler* handler;
};
