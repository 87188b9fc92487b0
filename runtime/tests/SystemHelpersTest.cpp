#include "runtime/Console.h"
#include "runtime/find_proc_by_name.h"
#include "runtime/MuxSelect.h"
#include "runtime/MuxTimeval.h"
#include "runtime/Signal.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/TestPipe.h"
#include "runtime/Timestamp.h"
#include "tests/support/StreamCapture.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <utility>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using TV = Mux::timeval;

// Seconds and microseconds of a time value, for compact expectations.
std::pair<long, long> Parts(const TV& t) { return {t.tv_sec, t.tv_usec}; }

TEST(Timeval, ArithmeticDifferenceAndComparison) {
    TV a(5, 0), b(1, 600000), sum, difference, set;
    Mux::timevalsub(a, TV(2, 999999));
    Mux::timevaladd(b, TV(0, 600000));
    Mux::timevaladd2(TV(7, 250000), TV(3, 500000), sum);
    Mux::timevalsub2(TV(7, 250000), TV(3, 500000), difference);
    Mux::timevalset(set, 123456789ull);
    EXPECT_EQ(Parts(TV(2, 1)), Parts(a));
    EXPECT_EQ(Parts(TV(2, 200000)), Parts(b));
    EXPECT_EQ(Parts(TV(10, 750000)), Parts(sum));
    EXPECT_EQ(Parts(TV(3, 750000)), Parts(difference));
    EXPECT_EQ(Parts(TV(123456, 789000)), Parts(set));
    EXPECT_EQ(Parts(TV(2, 500000)), Parts(Mux::make_from_msec(2500)));
    EXPECT_EQ(Parts(TV(1, 1)), Parts(Mux::make_from_usec(1000001)));

    EXPECT_EQ(0, Mux::timevaldiff(TV(10, 500000), TV(10, 400000)));
    EXPECT_EQ(1, Mux::timevaldiff(TV(10, 999999), TV(11, 0)));
    EXPECT_EQ(0, Mux::timevaldiff(TV(11, 0), TV(10, 999999)));
    EXPECT_EQ(3000000000000ll, Mux::timevaldiff(TV(0, 0), TV(3000000000l, 0)));
    EXPECT_EQ(-1, Mux::timevalcompare(TV(1, 5), TV(2, 0)));
    EXPECT_EQ(1, Mux::timevalcompare(TV(2, 6), TV(2, 5)));
    EXPECT_EQ(0, Mux::timevalcompare(TV(2, 5), TV(2, 5)));
}

TEST(Timeval, PeriodTimer) {
    Mux::timeval_timer never;
    never.init(TV(100, 0), 0);
    EXPECT_FALSE(never.is_expired(TV(100000, 0)));
    Mux::timeval_timer t;
    t.init(TV(100, 0), 100);
    EXPECT_FALSE(t.is_expired(TV(100, 100000))) << "exactly the period is not more than it";
    EXPECT_TRUE(t.is_expired(TV(100, 101000)));
    t.inc();
    EXPECT_EQ(Parts(TV(100, 100000)), Parts(t.start));
    EXPECT_FALSE(t.is_expired(TV(100, 200000)));
    t.init_now(TV(200, 0));
    EXPECT_TRUE(t.is_expired(TV(200, 100001 + 999))) << "the period is kept";
}

TEST(Timeval, TimesOfDayAreLocalTime) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ("2023-10-11 16:46:00.000042", Mux::timevaltostring(TV(1697042760, 42)));
    FakeClock clock(0);  // its time of day is 2023-10-11 16:46:00
    std::ostringstream out;
    timestamp(out) << '|';
    EXPECT_EQ("11/10 16:46:00|", out.str());
}

TEST(Select, SetsRefuseDescriptorsBeyondTheirBitsAndSelectWaitsOnThem) {
    Mux::Set s;
    EXPECT_EQ(nullptr, s.get());
    EXPECT_EQ(-1, s.highest_fd());
    EXPECT_FALSE(s.add(-1));
    EXPECT_FALSE(s.add(FD_SETSIZE));
    EXPECT_EQ(nullptr, s.get());
    EXPECT_TRUE(s.add(FD_SETSIZE - 1));
    EXPECT_TRUE(s.add(3));
    EXPECT_EQ(FD_SETSIZE - 1, s.highest_fd());
    s.remove(FD_SETSIZE - 1);
    EXPECT_EQ(3, s.highest_fd());
    EXPECT_FALSE(s.contains(FD_SETSIZE - 1));
    s.remove(3);
    EXPECT_EQ(nullptr, s.get());

    TestPipe p;
    const int in = p.in.lowlevel_fd(), out = p.out.lowlevel_fd();
    Mux::Set r, w, e, none;
    r.add(in);
    TV now(0, 0), second(1, 0);
    EXPECT_EQ(0, Mux::select_rd(r, now));
    p.Fill();
    r.add(in);
    w.add(out);
    EXPECT_EQ(std::max(in, out), Mux::max_fd(r, w, none));
    EXPECT_EQ(2, Mux::select(r, w, e, second));
    EXPECT_TRUE(r.contains(in));
    EXPECT_EQ(1, Mux::select_wr(w, second));
    EXPECT_EQ(1, Mux::select(r));  // readable: returns at once
}

namespace {
void Plain(int) {}
void WithInfo(int, siginfo_t*, void*) {}
struct sigaction Current(int sig) {
    struct sigaction now;
    ::sigaction(sig, nullptr, &now);
    return now;
}
}  // namespace

TEST(Signal, InstallsWithTheGivenMaskAndFlags) {
    using IPC::Signal;
    ASSERT_EQ(0, Signal::handle(SIGUSR1, WithInfo, SA_RESTART));
    struct sigaction now = Current(SIGUSR1);
    EXPECT_EQ(&WithInfo, now.sa_sigaction);
    EXPECT_EQ(SA_SIGINFO | SA_RESTART, now.sa_flags & (SA_SIGINFO | SA_RESTART));

    Signal::Set three(SIGHUP, SIGPIPE, SIGALRM);
    three.add(SIGUSR2);
    ASSERT_EQ(0, Signal::handle(SIGUSR1, Plain, three, SA_SIGINFO));
    now = Current(SIGUSR1);
    EXPECT_EQ(&Plain, now.sa_handler);
    EXPECT_FALSE(now.sa_flags & SA_SIGINFO);
    for (int sig : {SIGHUP, SIGPIPE, SIGALRM, SIGUSR2}) EXPECT_TRUE(sigismember(&now.sa_mask, sig));
    EXPECT_FALSE(sigismember(&now.sa_mask, SIGINT));
    sigset_t two;
    Signal::Set(SIGTERM, SIGINT).copy_to(two);
    EXPECT_TRUE(sigismember(&two, SIGTERM) && sigismember(&two, SIGINT));
    EXPECT_FALSE(sigismember(&two, SIGHUP));

    EXPECT_EQ(0, Signal::enable_int(SIGUSR1));
    EXPECT_FALSE(Current(SIGUSR1).sa_flags & SA_RESTART);
    EXPECT_EQ(0, Signal::disable_int(SIGUSR1));
    EXPECT_TRUE(Current(SIGUSR1).sa_flags & SA_RESTART);
    EXPECT_EQ(0, Signal::ignore(SIGUSR1));
    EXPECT_EQ(SIG_IGN, Current(SIGUSR1).sa_handler);
    EXPECT_EQ(0, Signal::system(SIGUSR1));
    EXPECT_EQ(SIG_DFL, Current(SIGUSR1).sa_handler);
    EXPECT_EQ(-1, Signal::handle(SIGKILL, Plain, 0));
}

TEST(FindProc, FindsAProcessByItsCommandName) {
    int ready[2];
    ASSERT_EQ(0, ::pipe(ready));
    pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_NAME, "controller");
        (void)!::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    char x;
    ASSERT_EQ(1, ::read(ready[0], &x, 1));
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(child, find_proc_by_name("controller", child));
    EXPECT_EQ(child, find_proc_by_name("controller", 0)) << "scans /proc";
    EXPECT_EQ(child, find_proc_by_name("controller", ::getpid())) << "a stale pid scans too";
    EXPECT_EQ(-1, find_proc_by_name("controlle", child));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(-1, find_proc_by_name("controller", child));
}

TEST(Console, SwitchesATerminalAndReportsWhatIsNotOne) {
    int saved = ::dup(STDIN_FILENO);
    TestPipe notATerminal;
    ::dup2(notATerminal.in.lowlevel_fd(), STDIN_FILENO);
    TestSupport::StreamCapture err(std::cerr);
    Console::SwitchToBinaryMode();
    EXPECT_EQ("can't obtain terminal attributes\n", err.str());

    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    Fd terminal(::open(::ptsname(master), O_RDWR | O_NOCTTY));
    ::dup2(terminal.lowlevel_fd(), STDIN_FILENO);
    Console::SwitchToBinaryMode();
    Console::SwitchToNonBlockMode();
    EXPECT_EQ("can't obtain terminal attributes\n", err.str()) << "and nothing more";
    termios mode;
    ASSERT_EQ(0, ::tcgetattr(terminal.lowlevel_fd(), &mode));
    EXPECT_FALSE(mode.c_lflag & (ICANON | ECHO | ECHOE | ECHOK | ECHONL | ECHOPRT | ECHOCTL));
    EXPECT_TRUE(mode.c_lflag & ISIG);
    EXPECT_TRUE(::fcntl(STDIN_FILENO, F_GETFL) & O_NONBLOCK);
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    ::close(master);
}
