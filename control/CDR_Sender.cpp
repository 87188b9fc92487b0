#include "control/CDR_Sender.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <sstream>

#include "runtime/INet4Addr.h"

namespace CDR_Sender {

Sender::Sender() : fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP)) {}

bool Sender::SendTo(const std::string& record, const std::string& addresses) {
    if (!fd) return false;
    std::istringstream words(addresses);
    std::string word;
    while (words >> word) {
        // A word that does not parse would otherwise leave 0.0.0.0, which
        // reaches this host: a record goes to configured addresses only.
        INet4::Addr address;
        if (!address.Assign(word)) continue;
        // A send the outgoing queue cannot take at once fails as any other
        // does: a slow link must not hold the loop.
        ::sendto(fd.lowlevel_fd(), record.data(), record.size(), MSG_DONTWAIT, address,
                 INet4::Addr::size());
    }
    return true;
}

}  // namespace CDR_Sender
