// The IPv4 socket address of the whole system: exactly a sockaddr_in, handed
// straight to the socket calls, read from and written as "a.b.c.d[:port]".
#pragma once

#include <netinet/in.h>
#include <ostream>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace INet4 {

class Addr {
public:
    Addr() { Reset(); }
    // Invalid text leaves 0.0.0.0:0.
    explicit Addr(const std::string& text);
    Addr(const sockaddr_in& address) : sa(address) {}

    // 0.0.0.0, port 0.
    void Reset();
    // Reads "address", "address:port" or ":port". A port given is stored even
    // when the address is refused; portOut gets it, or -1 when none was given.
    // False when the address is not numeric or the port is not 0..65535 (an
    // out-of-range port is not stored).
    bool Assign(const char* text, int* portOut = nullptr);
    bool Assign(const std::string& text, int* portOut = nullptr) {
        return Assign(text.c_str(), portOut);
    }
    Addr& operator=(const std::string& text) {
        Assign(text);
        return *this;
    }
    // The address in network byte order; the port is left as it is.
    void Assign(unsigned long address);
    void port(unsigned short p);

    unsigned short port() const;
    std::string GetStrAddr() const;
    // "a.b.c.d:port"; the port is always written.
    std::string GetString() const;
    void Put(std::ostream& out) const;
    // The four address octets, most significant first.
    std::vector<unsigned char> GetVector() const;
    // Address and port; the family and the padding are not compared.
    bool IsEqual(const Addr& other) const;
    bool operator==(const Addr& other) const { return IsEqual(other); }

    operator sockaddr*() { return reinterpret_cast<sockaddr*>(&sa); }
    operator const sockaddr*() const { return reinterpret_cast<const sockaddr*>(&sa); }
    static socklen_t size() { return sizeof(sockaddr_in); }

private:
    sockaddr_in sa;
};

std::ostream& operator<<(std::ostream& out, const Addr& addr);

}  // namespace INet4
