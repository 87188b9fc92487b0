// Random values of any type, within its constraints: the input of the cross-check and of
// the codec's round-trip tests.
#pragma once

#include "asn1/AbstractData.h"

#include <random>

namespace PerTest {

// Fills `value`, created from its record, with a random value of its type. Enumerations
// take numbers within 0..maximum; an extensible SEQUENCE with any addition present carries
// one presence bit per known addition.
void randomize(ASN1::AbstractData& value, std::mt19937& random);

}  // namespace PerTest
