// A descriptor watched by the main loop: the owner binds one of its members
// under a display name, hands over a descriptor and a poll() mask, and is
// called with the returned events after every poll() that reports anything.
#pragma once

#include "runtime/EventHandler.h"
#include "runtime/Fd.h"
#include "runtime/Measure.h"

#include <cstdint>
#include <string>

class Event : public EventHandler {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void Invoke(int fd, short revents) = 0;
    };

    template <class T>
    class THandler : public Handler {
    public:
        using Action = void (T::*)(int, short);
        THandler(Action m, T* o) : member(m), obj(o) {}
        void Invoke(int fd, short revents) override {
            if (member) (obj->*member)(fd, revents);
        }

    private:
        Action member;
        T* obj;
    };

    Event() = default;
    ~Event() override;

    // Takes ownership of h (null allowed) and deletes the handler bound so
    // far; binding the handler already bound keeps it.
    void Bind(Handler* h);
    void UnBind() { Bind(nullptr); }
    template <class T>
    void Bind(const std::string& display, typename THandler<T>::Action member, T* obj) {
        name = display;
        Bind(new THandler<T>(member, obj));
    }

    // Watches a dup() of fd with the given mask; the caller keeps its own
    // descriptor. A closed fd stops the watch and drops the old descriptor.
    void Schedule(const Fd& fd, short events);
    // Stops the watch and closes the descriptor; the handler stays bound.
    int Release();
    // Takes effect when the loop next builds its poll set.
    void SetEvents(int events) { mask = short(events); }

    bool IsActive() const { return fd.is_valid(); }
    int lowlevel_fd() const { return fd.lowlevel_fd(); }
    const Measure& measure() const { return stats; }
    // For the status dump: the requested mask, the dispatches that carried a
    // requested event, and whether a handler is bound.
    short GetEvents() const { return mask; }
    std::uint32_t GetCount() const { return count; }
    bool IsBound() const { return handler != nullptr; }

    void shedule_event(pollfd& entry) override;
    void svc_event(short revents) override;
    std::string event_name() const override { return name; }
    bool is_named() const override { return true; }
    using EventHandler::svc_event;

private:
    Handler* handler = nullptr;
    Fd fd;
    short mask = 0;
    std::string name = "Unknown";
    std::uint32_t count = 0;
    Measure stats;
};

// Schedule() that says whether the watch took: 0, or the error number of
// the copy that could not be made (no descriptor or memory left; EBADF for a
// closed fd), when the event could not have its own copy of fd; the event
// then watches nothing. The error travels as the value, so the line that
// names it cannot name another call's.
[[nodiscard]] int Watch(Event& event, const Fd& fd, short events);
