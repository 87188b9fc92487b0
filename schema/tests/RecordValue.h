// Values built from a type's record alone, for the tests that walk every type of the schema.
#pragma once

#include "asn1/AbstractData.h"

#include <memory>

namespace RecordValue {

// A new value of the record's type. Every OPTIONAL field and known extension addition is
// present (`withOptionals`) or none is; each CHOICE, at any depth, selects alternative
// `choice` modulo its known count. Leaves sit at an edge of their type: the upper bound of a
// ranged INTEGER, a four-octet number otherwise, the largest number of an enumeration, a
// string of its largest size up to 64 characters, two elements in every list.
std::unique_ptr<ASN1::AbstractData> make(const void* info, bool withOptionals, unsigned choice);

}  // namespace RecordValue
