// Writes an enter line and a leave line around a scope, when enabled.
#pragma once

#include <ostream>

namespace Trace {

class Block {
public:
    Block(bool enabled, const char* name, std::ostream& out)
        : enabled(enabled), name(name), out(out) {
        if (enabled) out << "Enter " << name << std::endl;
    }
    ~Block() {
        if (enabled) out << "Leave " << name << std::endl;
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

private:
    bool enabled;
    const char* name;
    std::ostream& out;
};

}  // namespace Trace
