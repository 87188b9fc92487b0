// The errno of a failed call, captured at once so that later calls made while
// writing the failure message cannot change it.
#pragma once

#include <ostream>
#include <string>

class Errno {
public:
    Errno();
    // An error number reported otherwise than through errno (SO_ERROR, a saved value).
    explicit Errno(int code) : code(code) {}
    int value() const { return code; }
    // The call failed for want of descriptors or memory (EMFILE, ENFILE,
    // ENOBUFS, ENOMEM): it may pass once some are given back.
    bool IsShortage() const;
    // The system's text for the number.
    std::string text() const;
    void Put(std::ostream& out) const;

private:
    int code;
};

std::ostream& operator<<(std::ostream& out, const Errno& e);
