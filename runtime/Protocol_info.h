// What a protocol layer says about itself: its name, and whether it answers
// to a name searched for.
#pragma once

#include "runtime/Protocol_name.h"

#include <iosfwd>

class Protocol_info {
public:
    virtual ~Protocol_info() = default;
    virtual bool compare_name(const Protocol_name&) const { return false; }
    virtual const Protocol_name& name() const { return null_name; }

    void out(std::ostream& os) const { name().out(os); }

private:
    Protocol_name_null null_name;
};

inline std::ostream& operator<<(std::ostream& os, const Protocol_info& info) {
    info.out(os);
    return os;
}
