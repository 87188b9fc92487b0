#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <sstream>

#include "runtime/INet4Addr.h"

using INet4::Addr;

// Each text assigned to an address that held 9.9.9.9:9.
TEST(INet4Addr, AssignReadsAddressAndPortAndRefusesTheRest) {
    const struct {
        const char* text;
        bool ok;
        const char* after;
        int portOut;
    } cases[] = {
        {"10.1.2.3:80", true, "10.1.2.3:80", 80},
        {"10.1.2.3", true, "10.1.2.3:9", -1},  // the port is left as it was
        {"10.1.2.3:", true, "10.1.2.3:0", 0},
        {"10.1.2.3:80:90", true, "10.1.2.3:80", 80},
        {"10.1:1", true, "10.0.0.1:1", 1},  // the short numeric forms
        {"1.2.3.4:65535", true, "1.2.3.4:65535", 65535},
        {":80", false, "9.9.9.9:80", 80},  // a port given is stored all the same
        {"gateway.local:20001", false, "9.9.9.9:20001", 20001},
        {"", false, "9.9.9.9:9", -1},
        {"256.1.1.1", false, "9.9.9.9:9", -1},
        // A port outside 0..65535 is refused and not stored.
        {"1.2.3.4:65536", false, nullptr, 0},
        {"1.2.3.4:-1", false, nullptr, 0},
        {"1.2.3.4:99999999999999999999", false, nullptr, 0},
    };
    for (const auto& c : cases) {
        Addr addr(std::string("9.9.9.9:9"));
        int portOut = -99;
        EXPECT_EQ(c.ok, addr.Assign(c.text, &portOut)) << c.text;
        if (c.after) {
            EXPECT_EQ(c.after, addr.GetString()) << c.text;
            EXPECT_EQ(c.portOut, portOut) << c.text;
        } else {
            EXPECT_EQ(9, addr.port()) << c.text;
        }
    }
    EXPECT_EQ("0.0.0.0:0", Addr(std::string("no address")).GetString());
}

TEST(INet4Addr, PrintsInDecimalAndRoundTrips) {
    for (const char* text : {"0.0.0.0:0", "255.255.255.255:65535", "192.168.1.1:20001"}) {
        Addr a(text);
        std::ostringstream out;
        out << std::hex << a << ' ' << 255;
        EXPECT_EQ(std::string(text) + " 255", out.str())
            << "printed in decimal, the stream left decimal";
        EXPECT_EQ(a, Addr(a.GetString()));
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

    sockaddr_in other = *raw;
    other.sin_family = AF_UNIX;  // family and padding take no part in equality
    other.sin_zero[3] = 1;
    EXPECT_TRUE(Addr(other) == a);
    Addr b = a;
    b.port(8081);
    EXPECT_FALSE(b == a);
    b.port(8080);
    b.Assign(htonl(0x7f000002));
    EXPECT_FALSE(b == a);
    EXPECT_EQ("127.0.0.2:8080", b.GetString());
}
