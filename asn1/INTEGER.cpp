#include "asn1/INTEGER.h"

#include "asn1/Compare.h"
#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

namespace ASN1 {

HALVOX_CONSTINIT const ConstrainedInfo INTEGER::theInfo = {
    {&INTEGER::create, 2}, Unconstrained, 0, 0xFFFFFFFFu};

bool INTEGER::isStrictValid() const {
    if (getLowerLimit() >= 0)
        return unsigned(value_) >= unsigned(getLowerLimit()) && unsigned(value_) <= getUpperLimit();
    return value_ >= getLowerLimit() && value_ <= int(getUpperLimit());
}

int INTEGER::do_compare(const AbstractData& other) const {
    const INTEGER* that = dynamic_cast<const INTEGER*>(&other);
    if (!that) return mismatch(other);
    return compareNumbers(value_, that->value_);
}

AbstractData* INTEGER::do_clone() const { return new INTEGER(*this); }
bool INTEGER::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool INTEGER::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
