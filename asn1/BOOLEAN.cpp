#include "asn1/BOOLEAN.h"

#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

namespace ASN1 {

HALVOX_CONSTINIT const TypeInfo BOOLEAN::theInfo = {&BOOLEAN::create, 1};

int BOOLEAN::do_compare(const AbstractData& other) const {
    const BOOLEAN* that = dynamic_cast<const BOOLEAN*>(&other);
    if (!that) return mismatch(other);
    return int(value_) - int(that->value_);
}

AbstractData* BOOLEAN::do_clone() const { return new BOOLEAN(*this); }
bool BOOLEAN::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool BOOLEAN::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
