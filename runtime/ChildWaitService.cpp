#include "runtime/ChildWaitService.h"

#include "runtime/Signal.h"

#include <cerrno>
#include <iostream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

ChildWaitService* ChildWaitService::childWaitService = nullptr;

ChildWaitService::~ChildWaitService() {
    event.Release();
    wakeUp.close();
}

void ChildWaitService::Activate() {
    if (IsActive()) return;
    // Without the watch's copy of the read end nothing would read the
    // wake-ups and ended children would never be reaped: the service stays
    // inactive instead, as without the pair.
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) == 0) {
        Fd writeEnd(pair[0]);
        Fd readEnd(pair[1]);
        event.Bind<ChildWaitService>("ChildWaitService::OnChildEvent",
                                     &ChildWaitService::OnChildEvent, this);
        if (Watch(event, readEnd, POLLIN) == 0) {
            wakeUp = std::move(writeEnd);
            IPC::Signal::handle(SIGCHLD, &ChildWaitService::SigChldHandlerWrapper, SA_RESTART);
            return;
        }
    }
    std::cerr << "ChildWaitService: initialize fails" << std::endl;
}

void ChildWaitService::Attach(ChildWait* watch) {
    if (watch->attached) watches.remove(watch);
    watches.push_back(watch);
    watch->attached = true;
}

void ChildWaitService::Detach(ChildWait* watch) {
    if (!watch->attached) return;
    watches.remove(watch);
    watch->attached = false;
}

void ChildWaitService::SigChldHandlerWrapper(int, siginfo_t*, void*) {
    if (childWaitService) childWaitService->SigChldHandler();
}

// Signal context: one byte says "a child has ended". A full pair already holds
// a wake-up, so a write that fails loses nothing; errno is left as it was.
void ChildWaitService::SigChldHandler() {
    int saved = errno;
    if (wakeUp.is_valid()) (void)!::write(wakeUp.lowlevel_fd(), "", 1);
    errno = saved;
}

// The wake-ups are drained before reaping, so a child that ends meanwhile
// leaves a wake-up for the next round.
void ChildWaitService::OnChildEvent(int fd, short revents) {
    if (!(revents & POLLIN)) return;
    char drain[64];
    while (::read(fd, drain, sizeof drain) > 0) {
    }
    int status;
    pid_t pid;
    while ((pid = ::waitpid(-1, &status, WNOHANG)) > 0) {
        std::clog << "terminate child process, pid=" << pid << " status=" << status << std::endl;
        Deliver(pid, status);
    }
}

// The watch leaves the list before its handler runs, so the handler may
// destroy it or attach it again for a new child.
void ChildWaitService::Deliver(int pid, int status) {
    for (ChildWait* watch : watches) {
        if (watch->pid != pid) continue;
        Detach(watch);
        watch->handler->Invoke(*watch, status);
        return;
    }
}
