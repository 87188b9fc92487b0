// Decisions the aligned PER encoder and decoder take alike from a type and a size.
#pragma once

#include "asn1/ConstrainedObject.h"
#include "asn1/SEQUENCE.h"

#include <algorithm>
#include <cstdint>

namespace ASN1 {
namespace per {

// A size that the constraint fixes, so it travels without a length determinant.
inline bool fixedSize(const ConstrainedObject& object, bool outsideRoot) {
    ConstraintType kind = object.getConstraintType();
    return !outsideRoot && (kind == FixedConstraint || kind == ExtendableConstraint) &&
           std::uint32_t(object.getLowerLimit()) == object.getUpperLimit();
}

// Characters that fit 16 bits at the upper bound are not octet-aligned.
inline bool shortString(const ConstrainedObject& object, unsigned bitsPerChar) {
    return object.constrained() && std::uint64_t(object.getUpperLimit()) * bitsPerChar <= 16;
}

// The extension bits a SEQUENCE sends: as many as the value holds, at most the known ones.
inline unsigned extensionBits(const SEQUENCE& value) {
    return std::min(value.extensionMap().size(), value.extensionCount());
}

// Whole octets of the map at a time; the last one only under the bits sent.
inline bool anyExtension(const SEQUENCE& value) {
    unsigned bits = extensionBits(value);
    const char* map = value.extensionMap().octets();
    for (unsigned i = 0; i < bits / 8; ++i)
        if (map[i]) return true;
    return bits % 8 != 0 && static_cast<unsigned char>(map[bits / 8]) >> (8 - bits % 8) != 0;
}

// Octets of a non-negative number below 2^32, at least one.
inline unsigned octetsFor(std::uint64_t value) {
    unsigned octets = 1;
    while (octets < 4 && (value >> (8 * octets)) != 0) ++octets;
    return octets;
}

constexpr std::uint32_t Unbounded = 0x7FFFFFFFu;  // the upper bound of an unconstrained length
constexpr std::uint64_t FullRange = std::uint64_t(1) << 32;

}  // namespace per
}  // namespace ASN1
