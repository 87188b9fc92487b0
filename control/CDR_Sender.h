// Call records as UDP datagrams: one text record sent to every address of a
// list, each written "a.b.c.d[:port]" and separated by white space.
#pragma once

#include <string>

#include "runtime/Fd.h"

namespace CDR_Sender {

class Sender {
public:
    // Opens the UDP socket; without it every SendTo fails.
    Sender();
    virtual ~Sender() = default;

    // False, sending nothing, when the socket could not be opened. A word
    // that is not an address, and a send that fails or would wait, are skipped.
    bool SendTo(const std::string& record, const std::string& addresses);

private:
    Fd fd;
};

}  // namespace CDR_Sender
