// Base of the values whose record carries a constraint (INTEGER, the strings, BIT and
// OCTET STRING, SEQUENCE OF): reads the constraint kind and bounds from the record.
#pragma once

#include "asn1/AbstractData.h"

#include <cstddef>
#include <cstdint>

namespace ASN1 {

class ConstrainedObject : public AbstractData {
public:
    ConstraintType getConstraintType() const { return record().constraint; }
    int getLowerLimit() const { return record().lower; }
    unsigned getUpperLimit() const { return record().upper; }
    bool constrained() const { return record().constraint != Unconstrained; }
    bool extendable() const { return record().constraint == ExtendableConstraint; }

    // A size (of bits, octets, characters or elements) within the bounds, or, unless
    // `strict`, beyond the upper bound of an extensible constraint. Sizes compare with the
    // bounds as unsigned numbers.
    bool validSize(std::size_t count, bool strict) const {
        return count >= std::uint32_t(getLowerLimit()) &&
               (count <= getUpperLimit() || (!strict && extendable()));
    }

protected:
    explicit ConstrainedObject(const void* info) : AbstractData(info) {}

private:
    const ConstrainedInfo& record() const { return *static_cast<const ConstrainedInfo*>(info()); }
};

}  // namespace ASN1
