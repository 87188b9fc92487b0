// What the BER encoder writes and the length counter counts alike: the sizes of identifier
// and length octets, and the contents of a number.
#pragma once

#include <cstdint>

namespace ASN1 {
namespace ber {

// The tag word that stands for "the value's own tag".
constexpr unsigned OwnTag = 0xFFFFFFFFu;
// The class bits of a context-specific tag, as they stand in its tag word.
constexpr unsigned ContextClass = 0x80;

constexpr unsigned tagNumber(unsigned tag) { return tag & 0xFFFF; }
constexpr unsigned tagClass(unsigned tag) { return (tag >> 16) & 0xC0; }

// Identifier octets of a tag: one below number 31, else one more per 7 bits of the number.
inline unsigned identifierLength(unsigned tag) {
    unsigned number = tagNumber(tag);
    unsigned octets = 1;
    if (number >= 31)
        for (; number != 0; number >>= 7) ++octets;
    return octets;
}

// Length octets of the definite form: one up to 127, else one more per octet of the length.
inline unsigned lengthLength(std::uint32_t length) {
    unsigned octets = 1;
    if (length >= 128)
        for (; length != 0; length >>= 8) ++octets;
    return octets;
}

// The fewest two's-complement octets that hold `n`, its sign bit included.
inline unsigned integerLength(std::int64_t n) {
    unsigned octets = 1;
    while (octets < 8 && (n >> (8 * octets - 1)) != 0 && (n >> (8 * octets - 1)) != -1) ++octets;
    return octets;
}

}  // namespace ber
}  // namespace ASN1
