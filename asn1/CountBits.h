// The number of bits a range of values takes on the wire.
#pragma once

namespace ASN1 {

// The least b with 2^b >= n for n in 1..2^31; 32 for 0 (the whole 32-bit range) and for
// every n above 2^31. Inline: the codecs ask it for nearly every number they code.
inline unsigned CountBits(unsigned n) {
    if (n == 0 || n > 0x80000000u) return 32;
    return n == 1 ? 0 : 32 - unsigned(__builtin_clz(n - 1));
}

}  // namespace ASN1
