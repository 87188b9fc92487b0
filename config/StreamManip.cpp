#include "config/StreamManip.h"

namespace ext {

namespace {

// Restores the stream's flags and fill character however the output went.
class FormatGuard {
public:
    explicit FormatGuard(std::ostream& os) : os(os), flags(os.flags()), fill(os.fill()) {}
    ~FormatGuard() {
        os.flags(flags);
        os.fill(fill);
    }
    FormatGuard(const FormatGuard&) = delete;
    FormatGuard& operator=(const FormatGuard&) = delete;

private:
    std::ostream& os;
    std::ios_base::fmtflags flags;
    char fill;
};

const std::ios_base::fmtflags hexFlags =
    std::ios_base::hex | std::ios_base::right | std::ios_base::uppercase;

}  // namespace

void OutBufInHex::put(std::ostream& os) const {
    FormatGuard guard(os);
    os.fill('0');
    for (const std::uint8_t* octet = first; octet != last; ++octet) {
        os.flags(hexFlags);
        os.width(2);
        os << unsigned(*octet) << ' ';
    }
}

void OutUnsignedInHex::put(std::ostream& os) const {
    FormatGuard guard(os);
    os.fill('0');
    os.flags(hexFlags);
    os << "0x";
    os.width(width);
    os << value;
}

}  // namespace ext
