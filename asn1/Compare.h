// Ordering helpers shared by the comparisons of the value classes.
#pragma once

namespace ASN1 {

// Compares two octet ranges octet by octet, octets taken as 0..255: the first differing
// pair gives their difference; otherwise 0 when both end together, -1 when the first is
// shorter, 1 when the second is.
int lexicographic_compare_bytes(const char* b1, const char* e1, const char* b2, const char* e2);

// a - b when that fits an int, otherwise its sign: a difference that keeps the order.
int compareNumbers(long long a, long long b);

}  // namespace ASN1
