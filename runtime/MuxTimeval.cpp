#include "runtime/MuxTimeval.h"

#include <cstdio>
#include <ctime>

namespace Mux {

int timevaladd(timeval& a, const timeval& b) {
    long usec = a.tv_usec + b.tv_usec;
    a.tv_sec += b.tv_sec + usec / 1000000;
    a.tv_usec = usec % 1000000;
    return 0;
}

int timevalsub(timeval& a, const timeval& b) {
    long usec = a.tv_usec - b.tv_usec + 1000000;
    a.tv_sec = a.tv_sec - b.tv_sec - 1 + usec / 1000000;
    a.tv_usec = usec % 1000000;
    return 0;
}

int timevaladd2(const timeval& a, const timeval& b, timeval& out) {
    out = a;
    return timevaladd(out, b);
}

int timevalsub2(const timeval& a, const timeval& b, timeval& out) {
    out = a;
    return timevalsub(out, b);
}

int timevalset(timeval& tv, unsigned long long ms) {
    tv.tv_sec = long(ms / 1000);
    tv.tv_usec = long(ms % 1000) * 1000;
    return 0;
}

std::int64_t timevaldiff(const timeval& a, const timeval& b) {
    if (b.tv_sec < a.tv_sec || (b.tv_sec == a.tv_sec && b.tv_usec < a.tv_usec)) return 0;
    return std::int64_t(b.tv_sec - a.tv_sec) * 1000 + (b.tv_usec - a.tv_usec) / 1000;
}

int timevalcompare(const timeval& a, const timeval& b) {
    if (a.tv_sec != b.tv_sec) return a.tv_sec < b.tv_sec ? -1 : 1;
    if (a.tv_usec != b.tv_usec) return a.tv_usec < b.tv_usec ? -1 : 1;
    return 0;
}

std::string timevaltostring(const timeval& tv) {
    std::time_t sec = tv.tv_sec;
    std::tm local;
    char date[64] = "";
    if (::localtime_r(&sec, &local)) std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    char text[96];
    std::snprintf(text, sizeof text, "%s.%06ld", date, long(tv.tv_usec));
    return text;
}

bool timeval_timer::is_expired(const timeval& now) const {
    return period >= 1 && timevaldiff(start, now) > period;
}

void timeval_timer::inc() {
    timeval step;
    timevalset(step, (unsigned long long)period);
    timevaladd(start, step);
}

}  // namespace Mux
