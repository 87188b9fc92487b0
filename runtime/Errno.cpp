#include "runtime/Errno.h"

#include <cerrno>
#include <cstring>

Errno::Errno() : code(errno) {}

bool Errno::IsShortage() const {
    return code == EMFILE || code == ENFILE || code == ENOBUFS || code == ENOMEM;
}

std::string Errno::text() const { return std::strerror(code); }

void Errno::Put(std::ostream& out) const { out << std::strerror(code); }

std::ostream& operator<<(std::ostream& out, const Errno& e) {
    e.Put(out);
    return out;
}
