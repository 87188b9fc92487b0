// The errno of a failed call, captured at once so that later calls made while
// writing the failure message cannot change it.
#pragma once

#include <ostream>

class Errno {
public:
    Errno();
    int value() const { return code; }
    // Writes the system's text for the number.
    void Put(std::ostream& out) const;

private:
    int code;
};

std::ostream& operator<<(std::ostream& out, const Errno& e);
