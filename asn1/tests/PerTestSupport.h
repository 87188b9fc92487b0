// Hex text of octets and one-line encode/decode helpers for the PER tests.
#pragma once

#include "asn1/AbstractData.h"

#include <string>
#include <vector>

namespace PerTest {

// "80 00 05 70"
std::string hex(const std::vector<char>& octets);
// The octets of "80 00 05 70" (blanks optional).
std::vector<char> octets(const std::string& hex);
// The aligned PER encoding of `value` as hex, or "FAIL".
std::string encode(const ASN1::AbstractData& value);
// Decodes the hex text into `value`.
bool decode(const std::string& hex, ASN1::AbstractData& value);
// Decodes octets no encoder may have written as a value of the type `info`; what decodes
// must print with the stream left good and, when it encodes again, decode back to the same
// value (checked with EXPECT). Returns whether the octets decoded.
bool exercise(const void* info, const std::vector<char>& input);

}  // namespace PerTest
