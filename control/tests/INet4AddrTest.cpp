#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "control/INet4Addr.h"

using INet4::Addr;

namespace {

// Parses text into an address that held 9.9.9.9:9 before.
struct Parsed {
    explicit Parsed(const char* text) : addr(std::string("9.9.9.9:9")) {
        ok = addr.Assign(text, &portOut);
    }
    Addr addr;
    bool ok;
    int portOut = -99;
};

}  // namespace

TEST(INet4Addr, ParsesAddressAndOptionalPort) {
    Parsed full("10.1.2.3:80");
    EXPECT_TRUE(full.ok);
    EXPECT_EQ("10.1.2.3:80", full.addr.GetString());
    EXPECT_EQ(80, full.portOut);

    Parsed noPort("10.1.2.3");
    EXPECT_TRUE(noPort.ok);
    EXPECT_EQ("10.1.2.3:9", noPort.addr.GetString()) << "the port is left as it was";
    EXPECT_EQ(-1, noPort.portOut);

    Parsed emptyPort("10.1.2.3:");
    EXPECT_TRUE(emptyPort.ok);
    EXPECT_EQ("10.1.2.3:0", emptyPort.addr.GetString());
    EXPECT_EQ(0, emptyPort.portOut);

    Parsed twoColons("10.1.2.3:80:90");
    EXPECT_TRUE(twoColons.ok);
    EXPECT_EQ("10.1.2.3:80", twoColons.addr.GetString());

    // The short numeric forms of inet_aton.
    Parsed shortForm("10.1:1");
    EXPECT_TRUE(shortForm.ok);
    EXPECT_EQ("10.0.0.1:1", shortForm.addr.GetString());
    Addr withoutOut;
    EXPECT_TRUE(withoutOut.Assign("1.2.3.4:5"));
    EXPECT_EQ("1.2.3.4:5", withoutOut.GetString());
}

TEST(INet4Addr, RefusesBadText) {
    Parsed portOnly(":80");
    EXPECT_FALSE(portOnly.ok);
    EXPECT_EQ("9.9.9.9:80", portOnly.addr.GetString()) << "the port is stored all the same";

    Parsed hostName("gateway.local:20001");
    EXPECT_FALSE(hostName.ok);
    EXPECT_EQ("9.9.9.9:20001", hostName.addr.GetString());

    for (const char* bad : {"", "1.2.3.4.5", "256.1.1.1", "1.2.3.x", "one"}) {
        Parsed p(bad);
        EXPECT_FALSE(p.ok) << bad;
        EXPECT_EQ("9.9.9.9:9", p.addr.GetString()) << bad;
    }
    // A port outside 0..65535 is refused and not stored.
    for (const char* bad : {"1.2.3.4:65536", "1.2.3.4:-1", "1.2.3.4:99999999999999999999"}) {
        Parsed p(bad);
        EXPECT_FALSE(p.ok) << bad;
        EXPECT_EQ(9, p.addr.port()) << bad;
    }
    Parsed highest("1.2.3.4:65535");
    EXPECT_TRUE(highest.ok);
    EXPECT_EQ(65535, highest.addr.port());

    Addr fromBad(std::string("no address"));
    EXPECT_EQ("0.0.0.0:0", fromBad.GetString());
    Addr assigned;
    assigned = std::string("10.9.8.7:6");
    EXPECT_EQ("10.9.8.7:6", assigned.GetString());
}

TEST(INet4Addr, PrintsAndRoundTrips) {
    for (const char* text :
         {"0.0.0.0:0", "10.1.2.3:0", "255.255.255.255:65535", "192.168.1.1:20001"}) {
        Addr a(text);
        std::ostringstream out;
        out << std::hex << a << ' ' << 255;
        EXPECT_EQ(std::string(text) + " 255", out.str())
            << "printed in decimal, stream left decimal";
        Addr back(a.GetString());
        EXPECT_EQ(a, back);
    }
    Addr a("10.1.2.3:80");
    EXPECT_EQ("10.1.2.3", a.GetStrAddr());
    EXPECT_EQ((std::vector<unsigned char>{10, 1, 2, 3}), a.GetVector());
}

TEST(INet4Addr, IsASockaddrInForTheSocketCalls) {
    Addr a("127.0.0.1:8080");
    const sockaddr_in* raw = reinterpret_cast<const sockaddr_in*>(static_cast<const sockaddr*>(a));
    EXPECT_EQ(AF_INET, raw->sin_family);
    EXPECT_EQ(htons(8080), raw->sin_port);
    EXPECT_EQ(htonl(0x7f000001), raw->sin_addr.s_addr);
    EXPECT_EQ(16u, Addr::size());

    sockaddr_in other{};
    other.sin_family = AF_UNIX;  // family and padding take no part in equality
    other.sin_port = htons(8080);
    other.sin_addr.s_addr = htonl(0x7f000001);
    std::memset(other.sin_zero, 0xff, sizeof other.sin_zero);
    EXPECT_TRUE(Addr(other) == a);
    Addr b = a;
    b.port(8081);
    EXPECT_FALSE(b == a);
    b.port(8080);
    b.Assign(htonl(0x7f000002));
    EXPECT_FALSE(b == a);
    EXPECT_EQ("127.0.0.2:8080", b.GetString());
    b.Reset();
    EXPECT_EQ("0.0.0.0:0", b.GetString());
}
