// Hex text of octets and one-line encode/decode helpers for the codec tests.
#pragma once

#include "asn1/AbstractData.h"
#include "asn1/CoderEnv.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace PerTest {

// "80 00 05 70"
std::string hex(const std::vector<char>& octets);
// The octets of "80 00 05 70" (blanks optional).
std::vector<char> octets(const std::string& hex);
// The encoding of `value` (aligned PER unless another rule is named) as hex, or "FAIL".
std::string encode(const ASN1::AbstractData& value,
                   ASN1::CoderEnv::EncodingRules rule = ASN1::CoderEnv::per);
// Decodes the hex text into `value`.
bool decode(const std::string& hex, ASN1::AbstractData& value,
            ASN1::CoderEnv::EncodingRules rule = ASN1::CoderEnv::per);
// Encodes `value`, decodes the encoding into a new value of its type, and checks that this
// is the same value and encodes to the same octets.
testing::AssertionResult roundTrips(const ASN1::AbstractData& value,
                                    ASN1::CoderEnv::EncodingRules rule = ASN1::CoderEnv::per);
// Decodes input no encoder may have written as a value of the type `info`; what decodes
// must print with the stream left good and, when it encodes again, decode back to the same
// value (checked with EXPECT). Returns whether the input decoded.
bool exercise(const void* info, const std::vector<char>& input,
              ASN1::CoderEnv::EncodingRules rule = ASN1::CoderEnv::per);

// The value notation of `value`; checks that printing it leaves the stream good and writes
// nothing to std::cerr.
std::string print(const ASN1::AbstractData& value);

// Runs a shell command; its exit status, with its output in `output`.
int run(const std::string& command, std::string& output);
// A tool on the PATH.
bool installed(const std::string& tool);

}  // namespace PerTest
