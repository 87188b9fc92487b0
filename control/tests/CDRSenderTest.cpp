#include <gtest/gtest.h>
#include <sys/socket.h>

#include "control/CDR_Sender.h"
#include "runtime/INet4Addr.h"

TEST(CDRSender, SendsToEveryListedAddressAndToNoOther) {
    Fd sockets[2];
    std::string ports[2];
    for (int i = 0; i < 2; ++i) {
        sockets[i] = Fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        // The second one is where 0.0.0.0 from a word that does not parse would land.
        INet4::Addr bound{std::string(i == 0 ? "127.0.0.1" : "0.0.0.0")};
        socklen_t size = INet4::Addr::size();
        ::bind(sockets[i].lowlevel_fd(), bound, size);
        ::getsockname(sockets[i].lowlevel_fd(), bound, &size);
        ports[i] = std::to_string(bound.port());
    }
    CDR_Sender::Sender sender;
    EXPECT_TRUE(sender.SendTo("record", " 127.0.0.1:" + ports[0] + "\n127.0.0.1:" + ports[1] +
                                            " host:" + ports[1] + " :" + ports[1] +
                                            " 127.0.0.1:99999 127.0.0.1 "));
    EXPECT_TRUE(sender.SendTo("", "127.0.0.1:" + ports[0]));
    EXPECT_TRUE(sender.SendTo("nobody", ""));
    const std::vector<std::string> expected[] = {{"record", ""}, {"record"}};
    for (int i = 0; i < 2; ++i) {
        std::vector<std::string> got;
        char buffer[64];
        for (ssize_t n; (n = ::recv(sockets[i].lowlevel_fd(), buffer, 64, MSG_DONTWAIT)) >= 0;)
            got.emplace_back(buffer, size_t(n));
        EXPECT_EQ(expected[i], got) << i;
    }
}
