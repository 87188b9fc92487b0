// select() over descriptor sets that know their highest descriptor, for the
// few places that wait outside the main loop.
#pragma once

#include "runtime/MuxClock.h"

#include <sys/select.h>

namespace Mux {

class Set {
public:
    Set() { clear(); }
    void clear();
    // False for a descriptor outside the set's 1024 bits.
    bool add(int fd);
    void remove(int fd);
    bool contains(int fd) const;
    // The highest descriptor in the set; negative when it is empty.
    int highest_fd() const { return highest; }
    // The bits for select(); null when the set is empty.
    fd_set* get() { return highest < 0 ? nullptr : &bits; }

private:
    fd_set bits;
    int highest;
};

int max_fd(const Set& a, const Set& b);
int max_fd(const Set& a, const Set& b, const Set& c);

// select()'s result; the sets hold the ready descriptors afterwards.
int select(Set& r, Set& w, Set& e, timeval& timeout);
int select(Set& r, Set& w, Set& e);
int select(Set& r, Set& w);
int select(Set& r);
int select_rd(Set& r, timeval& timeout);
int select_wr(Set& w, timeval& timeout);

}  // namespace Mux
