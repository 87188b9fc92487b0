// The child-exit service: SIGCHLD only wakes the main loop, which reaps every
// ended child and hands each exit status to the watch for that pid.
#pragma once

#include "runtime/ChildWait.h"
#include "runtime/Event.h"
#include "runtime/F_dual_list.h"
#include "runtime/Fd.h"

#include <csignal>

class ChildWaitService {
public:
    // The one service; null before ChildWait::Initialize and after Cleanup.
    static ChildWaitService* childWaitService;

    ChildWaitService() = default;
    ~ChildWaitService();
    ChildWaitService(const ChildWaitService&) = delete;
    ChildWaitService& operator=(const ChildWaitService&) = delete;

    // Opens the wake-up socket pair, watches it and installs the SIGCHLD
    // handler; a second call does nothing.
    void Activate();
    bool IsActive() const { return wakeUp.is_valid(); }
    void Attach(ChildWait* watch);
    void Detach(ChildWait* watch);

    static void SigChldHandlerWrapper(int, siginfo_t*, void*);
    void SigChldHandler();
    void OnChildEvent(int fd, short revents);

private:
    void Deliver(int pid, int status);

    Event event;
    // The write end of the pair, non-blocking: the signal handler never waits.
    Fd wakeUp;
    F_dual_list<ChildWait> watches;
};
