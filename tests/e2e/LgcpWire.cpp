#include "tests/e2e/LgcpWire.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace Lgcp {

namespace {

class BitReader {
public:
    explicit BitReader(const std::string& in) : in(in) {}
    bool Get(unsigned bits, unsigned& value) {
        value = 0;
        while (bits--) {
            if (at >= in.size() * 8) return false;
            value = value << 1 | (std::uint8_t(in[at / 8]) >> (7 - at % 8) & 1);
            ++at;
        }
        return true;
    }
    void Align() { at = (at + 7) / 8 * 8; }

private:
    const std::string& in;
    size_t at = 0;
};

bool GetInteger(BitReader& r, std::int32_t& value) {
    r.Align();
    unsigned n, octet;
    if (!r.Get(8, n) || n == 0 || n > 4) return false;
    value = 0;
    for (unsigned i = 0; i < n; ++i) {
        if (!r.Get(8, octet)) return false;
        value = std::int32_t(std::uint32_t(value) << 8 | octet);
        if (i == 0 && octet & 0x80) value = std::int32_t(octet) - 256;
    }
    return true;
}

// A length determinant below 128: one aligned octet.
bool GetCount(BitReader& r, unsigned& count) {
    r.Align();
    return r.Get(8, count) && count < 128;
}

bool GetIntegers(BitReader& r, unsigned count) {
    std::int32_t value;
    while (count--)
        if (!GetInteger(r, value)) return false;
    return true;
}

// TrunkStatus, after its extension bit, with an empty name: "e1 1 ais 7 1 2 3 4 0".
bool GetTrunkStatus(BitReader& r, std::string& text) {
    static const char* const states[] = {"normal", "lossBF",  "lossCarrier", "ais",
                                         "rai",    "unknown", "disabled"};
    std::int32_t trunk, counter;
    unsigned state, length, master, extended, type;
    if (!GetInteger(r, trunk) || !r.Get(3, state) || state > 6) return false;
    text = std::to_string(trunk) + " " + states[state];
    for (int i = 0; i < 5; ++i) {
        if (!GetInteger(r, counter)) return false;
        text += " " + std::to_string(counter);
    }
    r.Align();  // IA5String: its length octet
    // TrunkType is extensible: a root value, of 2
    if (!r.Get(8, length) || length || !r.Get(1, master) || !r.Get(1, extended) || extended ||
        !r.Get(1, type))
        return false;
    text = (type ? "bri " : "e1 ") + text + " " + std::to_string(master);
    return true;
}

bool GetHeader(BitReader& r, Message& m) {
    unsigned hasSeq, hasSlot, v;
    if (!r.Get(1, hasSeq) || !r.Get(1, hasSlot)) return false;
    if (hasSeq) {
        std::int32_t value;
        if (!GetInteger(r, value)) return false;
        m.seq = value;
    }
    if (hasSlot) {
        r.Align();
        if (!r.Get(16, v)) return false;
        m.slot = v;
    }
    return true;
}

// Resources: extension bit, drvVersion present (the daemon leaves it out),
// boardMajor .. modem, the mixer list, mux, mcc-data .. mcc-trans, echoBus.
bool GetResources(BitReader& r, Message& m) {
    unsigned bit, count;
    std::int32_t value;
    if (!r.Get(1, bit) || !r.Get(1, bit) || bit || !GetIntegers(r, 7) || !GetCount(r, count))
        return false;
    // Each MixerResources_subtype: extension bit, seven INTEGERs.
    for (unsigned n = 0; n < 7 * count; ++n) {
        if ((n % 7 == 0 && (!r.Get(1, bit) || bit)) || !GetInteger(r, value)) return false;
        m.mixers += (n % 7 ? ":" : n ? " " : "") + std::to_string(value);
    }
    if (!r.Get(1, bit) || !GetIntegers(r, 3) || !GetCount(r, count)) return false;
    for (; count--; m.echoBuses.push_back(value))
        if (!GetInteger(r, value)) return false;
    return true;
}

}  // namespace

std::string Frame(const std::string& body) {
    const size_t length = body.size() + 4;
    return std::string{3, 0, char(length >> 8 & 0xFF), char(length & 0xFF)} + body;
}

std::string Hex(const std::string& octets) {
    std::string text;
    char two[4];
    for (unsigned char c : octets) {
        std::snprintf(two, sizeof two, text.empty() ? "%02X" : " %02X", c);
        text += two;
    }
    return text;
}

std::string Octets(const char* hex) {
    std::string octets;
    for (const char* p = hex; *p; p += *p == ' ' ? 1 : 2)
        if (*p != ' ') octets.push_back(char(std::strtoul(std::string(p, 2).c_str(), nullptr, 16)));
    return octets;
}

Writer::Writer(std::optional<int> seq, std::optional<unsigned> slot) {
    Bits(seq.has_value(), 1).Bits(slot.has_value(), 1);
    if (seq) Integer(*seq);
    if (slot) Slot(*slot);
}

Writer& Writer::Bits(unsigned value, unsigned bits) {
    while (bits--) {
        if (used % 8 == 0) out.push_back(0);
        if (value >> bits & 1) out.back() = char(out.back() | 0x80 >> (used % 8));
        ++used;
    }
    return *this;
}

Writer& Writer::Octet(unsigned value) {
    out.push_back(char(value));
    used = unsigned(out.size()) * 8;
    return *this;
}

Writer& Writer::Integer(int value) {
    unsigned n = 1;
    while (n < 4 && (value >> (8 * n - 1) != 0 && value >> (8 * n - 1) != -1)) ++n;
    Octet(n);
    for (unsigned i = n; i-- > 0;) Octet(unsigned(value >> (8 * i)) & 0xFF);
    return *this;
}

bool Decode(const std::string& octets, Message& m) {
    BitReader r(octets);
    unsigned pdu, v;
    if (!GetHeader(r, m) || !r.Get(2, pdu) || pdu > 2) return false;
    if (pdu == 1) {
        m.pdu = Message::response;
        unsigned isError;
        if (!r.Get(1, isError)) return false;
        m.success = !isError;
        if (isError) {
            unsigned extended;  // ErrorCause is extensible; 13 root values in 4 bits
            if (!r.Get(1, extended) || extended || !r.Get(4, v)) return false;
            m.cause = int(v);
        }
        return true;
    }
    if (pdu == 2) {
        m.pdu = Message::signal;
        unsigned extended;  // Signal is extensible; 23 root alternatives in 5 bits
        if (!r.Get(1, extended) || extended || !r.Get(5, v)) return false;
        m.signalIndex = int(v);
        if (v == 0) return GetResources(r, m);
        // receiver, transmitter: Stream ::= CHOICE { inactive NULL, active INTEGER }
        if (v == 9 || v == 10) {
            unsigned active;
            std::int32_t value;
            if (!r.Get(1, active) || (active && !GetInteger(r, value))) return false;
            m.detail = active ? "active " + std::to_string(value) : "inactive";
        }
        // trunkStatus: TrunkStatus is extensible
        if (v == 11 && (!r.Get(1, extended) || extended || !GetTrunkStatus(r, m.detail)))
            return false;
        // cas: CasSignalling ::= SEQUENCE { channel { path, timeslot }, rx, tx }, all INTEGER
        if (v == 14) {
            std::int32_t cas[4];
            for (std::int32_t& field : cas)
                if (!GetInteger(r, field)) return false;
            m.detail = std::to_string(cas[0]) + " " + std::to_string(cas[1]) + " rx " +
                       std::to_string(cas[2]) + " tx " + std::to_string(cas[3]);
        }
        return true;
    }
    m.pdu = Message::command;
    return true;
}

std::string Describe(const Message& m) {
    std::string text;
    switch (m.pdu) {
        case Message::response:
            text = m.success ? "success" : "error " + std::to_string(m.cause);
            break;
        case Message::signal:
            text = "signal " + std::to_string(m.signalIndex);
            if (!m.detail.empty()) text += " " + m.detail;
            break;
        case Message::command:
            text = "command";
            break;
    }
    if (m.seq) text += " seq=" + std::to_string(*m.seq);
    if (m.slot) text += " slot=" + std::to_string(*m.slot);
    return text;
}

std::vector<std::string> DescribeFrames(std::string octets) {
    std::vector<std::string> described;
    while (octets.size() >= 4) {
        const size_t length = size_t(std::uint8_t(octets[2])) << 8 | std::uint8_t(octets[3]);
        if (length < 4) {
            described.push_back("undecodable");
            break;
        }
        Message m;
        described.push_back(Decode(octets.substr(4, length - 4), m) ? Describe(m) : "undecodable");
        octets.erase(0, length);
    }
    return described;
}

}  // namespace Lgcp
