// The ASN.1 INTEGER value (32-bit signed) and its fixed-range subtypes.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/ConstrainedObject.h"

#include <cstdint>

namespace ASN1 {

class INTEGER : public ConstrainedObject, public detail::Allocator<INTEGER> {
public:
    explicit INTEGER(const void* info = &theInfo) : ConstrainedObject(info), value_(0) {}
    INTEGER(int value, const void* info = &theInfo) : ConstrainedObject(info), value_(value) {}
    static AbstractData* create(const void* info) { return new INTEGER(info); }
    INTEGER* clone() const { return static_cast<INTEGER*>(AbstractData::clone()); }

    // No setter checks the range: the encoder and the validity checks see what is stored.
    int getValue() const { return value_; }
    void setValue(int value) { value_ = value; }
    // A type bounded below by 0 or more holds its numbers as unsigned 32-bit values.
    bool isUnsigned() const { return constrained() && getLowerLimit() >= 0; }
    // The number as the type holds it, signed or unsigned.
    std::int64_t getNumber() const {
        return isUnsigned() ? std::int64_t(unsigned(value_)) : std::int64_t(value_);
    }
    INTEGER& operator=(int value) {
        value_ = value;
        return *this;
    }
    // Within the bounds (compared unsigned when the lower bound is 0 or more, else signed);
    // valid also beyond an extensible constraint.
    bool isStrictValid() const;
    bool isValid() const { return isStrictValid() || extendable(); }

    using AbstractData::operator==;
    using AbstractData::operator!=;
    bool operator==(const INTEGER& other) const { return value_ == other.value_; }
    bool operator!=(const INTEGER& other) const { return value_ != other.value_; }

    static const ConstrainedInfo theInfo;

private:
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;

    int value_;
};

// INTEGER (lower..upper): its record is a member of the instance, constant data.
template <ConstraintType type, int lower, unsigned upper>
class Constrained_INTEGER : public INTEGER {
public:
    Constrained_INTEGER() : INTEGER(&theInfo) {}
    explicit Constrained_INTEGER(unsigned value) : INTEGER(int(value), &theInfo) {}

    unsigned getValue() const { return unsigned(INTEGER::getValue()); }
    Constrained_INTEGER& operator=(unsigned value) {
        setValue(int(value));
        return *this;
    }

    static constexpr ConstrainedInfo theInfo = {{&INTEGER::create, 2}, type, lower, upper};
};

inline unsigned operator+(unsigned n, const Constrained_INTEGER<FixedConstraint, 0, 127>& v) {
    return n + v.getValue();
}

}  // namespace ASN1
