#include "runtime/Net.h"
#include "tests/support/Isolation.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <set>
#include <string>
#include <vector>

namespace {

std::multiset<std::string> Addresses(Net::ifconfig_mode_t mode) {
    std::list<INet4::Addr> found;
    int count = Net::ifconfig(found, mode);
    std::multiset<std::string> text;
    for (const INet4::Addr& a : found) text.insert(a.GetString());
    EXPECT_EQ(int(found.size()), count);
    return text;
}

std::multiset<std::string> Names(Net::ifconfig_mode_t mode, unsigned flags) {
    std::list<std::string> found;
    int count = Net::ifconfig(found, mode, flags);
    EXPECT_EQ(int(found.size()), count);
    return std::multiset<std::string>(found.begin(), found.end());
}

}  // namespace

TEST(Net, AddressFiltersAndTheFirstSixteenEntries) {
    HALVOX_ISOLATE();
    // Interfaces of our own in the private network namespace; LO holds the
    // neighbours of the private ranges.
    const char* setup =
        "ip link add LO type veth peer name LOp && ip addr add 172.32.0.1/24 dev LO && "
        "ip addr add 172.15.255.1/24 dev LO && ip addr add 11.0.0.1/24 dev LO && "
        "ip addr add 192.169.0.1/24 dev LO && "
        "ip link add e1 type veth peer name e1p && ip addr add 10.1.2.3/24 dev e1 && "
        "ip addr add 172.31.0.1/24 dev e1p && "
        "ip link add e2 type veth peer name e2p && ip addr add 192.168.1.1/24 dev e2 && "
        "ip addr add 169.254.3.4/16 dev e2p && ip link set e1 up";
    if (std::system((std::string("(") + setup + ") >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "cannot create veth interfaces here";

    using S = std::multiset<std::string>;
    EXPECT_EQ((S{"10.1.2.3:0", "172.31.0.1:0", "192.168.1.1:0"}), Addresses(Net::Private));
    EXPECT_EQ((S{"10.1.2.3:0", "172.31.0.1:0", "192.168.1.1:0", "169.254.3.4:0"}),
              Addresses(Net::NotLoopback))
        << "neither lo nor LO";
    EXPECT_EQ((S{"169.254.3.4:0"}), Addresses(Net::LinkLocal));
    EXPECT_EQ((S{"10.1.2.3:0", "172.31.0.1:0", "192.168.1.1:0", "169.254.3.4:0"}),
              Addresses(Net::LinkLocal | Net::Private));
    EXPECT_EQ((S{"127.0.0.1:0", "172.32.0.1:0", "172.15.255.1:0", "11.0.0.1:0", "192.169.0.1:0",
                 "10.1.2.3:0", "172.31.0.1:0", "192.168.1.1:0", "169.254.3.4:0"}),
              Addresses(0));

    EXPECT_EQ((S{"lo", "e1"}), Names(0, IFF_UP));
    EXPECT_EQ((S{"e1"}), Names(Net::NotLoopback, IFF_UP));
    EXPECT_EQ((S{"e1", "e1p", "e2"}), Names(Net::Private, 0));

    // Eighteen addresses: only the first sixteen are seen.
    std::string more;
    for (int i = 1; i <= 9; ++i)
        more += "ip addr add 10.9.0." + std::to_string(i) +
                "/32 dev e1p label e1p:" + std::to_string(i) + " && ";
    ASSERT_EQ(0, std::system(("(" + more + "true) >/dev/null 2>&1").c_str()));
    EXPECT_EQ(16u, Addresses(0).size());
}

TEST(Net, HostName) {
    if (::unshare(CLONE_NEWUTS) != 0) GTEST_SKIP() << "no UTS namespace: " << std::strerror(errno);
    EXPECT_EQ(0, Net::hostname("halvox-test"));
    EXPECT_EQ("halvox-test", Net::hostname());
}
