#include "runtime/Signal.h"

namespace IPC {

namespace {

int Install(int sig, struct sigaction& action, const Signal::Set& mask, int flags) {
    mask.copy_to(action.sa_mask);
    action.sa_flags = flags;
    return ::sigaction(sig, &action, nullptr);
}

int SetRestart(int sig, bool restart) {
    struct sigaction action;
    if (::sigaction(sig, nullptr, &action) != 0) return -1;
    if (restart)
        action.sa_flags |= SA_RESTART;
    else
        action.sa_flags &= ~SA_RESTART;
    return ::sigaction(sig, &action, nullptr);
}

}  // namespace

Signal::Set::Set() { sigemptyset(&signals); }

Signal::Set::Set(int a, int b) : Set() {
    add(a);
    add(b);
}

Signal::Set::Set(int a, int b, int c) : Set(a, b) { add(c); }

void Signal::Set::add(int sig) { sigaddset(&signals, sig); }

bool Signal::Set::is_signal(int sig) {
    sigset_t empty;
    sigemptyset(&empty);
    return sigismember(&empty, sig) != -1;
}

int Signal::ignore(int sig) {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    return Install(sig, action, Set(), 0);
}

int Signal::system(int sig) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    return Install(sig, action, Set(), 0);
}

int Signal::handle(int sig, void (*handler)(int), const Set& mask, int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    return Install(sig, action, mask, flags & ~SA_SIGINFO);
}

int Signal::handle(int sig, void (*handler)(int), int flags) {
    return handle(sig, handler, Set(), flags);
}

int Signal::handle(int sig, void (*handler)(int, siginfo_t*, void*), const Set& mask, int flags) {
    struct sigaction action {};
    action.sa_sigaction = handler;
    return Install(sig, action, mask, flags | SA_SIGINFO);
}

int Signal::handle(int sig, void (*handler)(int, siginfo_t*, void*), int flags) {
    return handle(sig, handler, Set(), flags);
}

int Signal::disable_int(int sig) { return SetRestart(sig, true); }

int Signal::enable_int(int sig) { return SetRestart(sig, false); }

}  // namespace IPC
