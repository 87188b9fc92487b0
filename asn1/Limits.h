// What one decoded message may make the decoders allocate.
#pragma once

namespace ASN1 {

// Largest SEQUENCE OF count and largest extension bitmap.
constexpr unsigned MaximumArraySize = 128;
// Largest BIT STRING (in bits), OCTET STRING, character string and open type (in octets).
constexpr unsigned MaximumStringSize = 16384;

}  // namespace ASN1
