#include "runtime/Protocol_name.h"

#include <cstring>
#include <ostream>

void Protocol_name::out(std::ostream& os) const { os << name(); }

std::ostream& operator<<(std::ostream& os, const Protocol_name& n) {
    n.out(os);
    return os;
}

bool Protocol_name_str::compare(const Protocol_name& other) const {
    return compatible(other) && std::strcmp(name(), other.name()) == 0;
}
