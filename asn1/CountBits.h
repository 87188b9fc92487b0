// The number of bits a range of values takes on the wire.
#pragma once

namespace ASN1 {

// The least b with 2^b >= n for n in 1..2^31; 32 for 0 (the whole 32-bit range) and for
// every n above 2^31.
unsigned CountBits(unsigned n);

}  // namespace ASN1
