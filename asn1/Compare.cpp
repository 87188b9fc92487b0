#include "asn1/Compare.h"

#include <climits>

namespace ASN1 {

int lexicographic_compare_bytes(const char* b1, const char* e1, const char* b2, const char* e2) {
    for (; b1 != e1 && b2 != e2; ++b1, ++b2) {
        int d = int(static_cast<unsigned char>(*b1)) - int(static_cast<unsigned char>(*b2));
        if (d != 0) return d;
    }
    if (b1 == e1) return b2 == e2 ? 0 : -1;
    return 1;
}

int compareNumbers(long long a, long long b) {
    long long d = a - b;
    if (d > INT_MAX) return 1;
    if (d < INT_MIN) return -1;
    return int(d);
}

}  // namespace ASN1
