// Installing signal handlers with sigaction: the daemon's stop, dump and
// resource signals and the child-exit handler all go through here.
#pragma once

#include <csignal>

namespace IPC {

class Signal {
public:
    class Set {
    public:
        Set();
        Set(int a, int b);
        Set(int a, int b, int c);
        void add(int sig);
        void copy_to(sigset_t& out) const { out = signals; }
        // True for a valid signal number.
        static bool is_signal(int sig);

    private:
        sigset_t signals;
    };

    // Each returns sigaction()'s result.
    static int ignore(int sig);
    static int system(int sig);
    static int handle(int sig, void (*handler)(int), const Set& mask, int flags);
    static int handle(int sig, void (*handler)(int), int flags);
    static int handle(int sig, void (*handler)(int, siginfo_t*, void*), const Set& mask, int flags);
    static int handle(int sig, void (*handler)(int, siginfo_t*, void*), int flags);
    // Whether the signal restarts an interrupted system call (disable_int)
    // or makes it fail with EINTR (enable_int).
    static int disable_int(int sig);
    static int enable_int(int sig);
};

}  // namespace IPC
