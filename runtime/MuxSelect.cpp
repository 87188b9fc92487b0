#include "runtime/MuxSelect.h"

#include <algorithm>

namespace Mux {

void Set::clear() {
    FD_ZERO(&bits);
    highest = -1;
}

bool Set::add(int fd) {
    if (fd < 0 || fd >= FD_SETSIZE) return false;
    FD_SET(fd, &bits);
    highest = std::max(highest, fd);
    return true;
}

void Set::remove(int fd) {
    if (!contains(fd)) return;
    FD_CLR(fd, &bits);
    while (highest >= 0 && !FD_ISSET(highest, &bits)) --highest;
}

bool Set::contains(int fd) const { return fd >= 0 && fd <= highest && FD_ISSET(fd, &bits); }

int max_fd(const Set& a, const Set& b) { return std::max(a.highest_fd(), b.highest_fd()); }

int max_fd(const Set& a, const Set& b, const Set& c) {
    return std::max(max_fd(a, b), c.highest_fd());
}

int select(Set& r, Set& w, Set& e, timeval& timeout) {
    return ::select(max_fd(r, w, e) + 1, r.get(), w.get(), e.get(), &timeout);
}

int select(Set& r, Set& w, Set& e) {
    return ::select(max_fd(r, w, e) + 1, r.get(), w.get(), e.get(), nullptr);
}

int select(Set& r, Set& w) {
    return ::select(max_fd(r, w) + 1, r.get(), w.get(), nullptr, nullptr);
}

int select(Set& r) { return ::select(r.highest_fd() + 1, r.get(), nullptr, nullptr, nullptr); }

int select_rd(Set& r, timeval& timeout) {
    return ::select(r.highest_fd() + 1, r.get(), nullptr, nullptr, &timeout);
}

int select_wr(Set& w, timeval& timeout) {
    return ::select(w.highest_fd() + 1, nullptr, w.get(), nullptr, &timeout);
}

}  // namespace Mux
