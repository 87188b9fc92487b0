// Values of any type built from its record alone, within the type's constraints: the input
// of the round trips, the cross-checks and the mutation tests.
#pragma once

#include "asn1/AbstractData.h"

#include <memory>
#include <random>

namespace RecordValue {

// A value at the edges of its type. Every OPTIONAL field and known extension addition is
// present (`withOptionals`) or none is; each CHOICE, at any depth, selects alternative
// `choice` modulo its known count. Leaves take their largest value: the upper bound of a
// ranged INTEGER, the largest number of an enumeration, TRUE, a string of its largest size
// up to 64; an unconstrained INTEGER takes four octets; every list holds two elements.
std::unique_ptr<ASN1::AbstractData> make(const void* info, bool withOptionals, unsigned choice);

// A random value, edges of ranges and sizes more often than the rest. Enumerations take
// numbers within 0..maximum; an extensible SEQUENCE with an addition present carries one
// presence bit per known addition, as other encoders write it.
std::unique_ptr<ASN1::AbstractData> random(const void* info, std::mt19937& random);

}  // namespace RecordValue
