#include "asn1/Null.h"

#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

namespace ASN1 {

HALVOX_CONSTINIT const TypeInfo Null::theInfo = {&Null::create, 5};

int Null::do_compare(const AbstractData& other) const {
    return dynamic_cast<const Null*>(&other) ? 0 : mismatch(other);
}

AbstractData* Null::do_clone() const { return new Null(*this); }
bool Null::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool Null::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
