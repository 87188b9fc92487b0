#include "asn1/CountBits.h"

namespace ASN1 {

unsigned CountBits(unsigned n) {
    if (n == 0 || n > 0x80000000u) return 32;
    unsigned b = 0;
    while ((1u << b) < n) ++b;
    return b;
}

}  // namespace ASN1
