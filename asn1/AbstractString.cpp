#include "asn1/AbstractString.h"

#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

#include <ostream>

namespace ASN1 {

int AbstractString::do_compare(const AbstractData& other) const {
    const AbstractString* that = dynamic_cast<const AbstractString*>(&other);
    if (!that) return mismatch(other);
    // std::string compares its chars as unsigned octets
    return std::string::compare(*that);
}

AbstractData* AbstractString::do_clone() const { return new AbstractString(*this); }
bool AbstractString::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool AbstractString::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

std::ostream& operator<<(std::ostream& os, const AbstractString& text) {
    return os << static_cast<const std::string&>(text);
}

}  // namespace ASN1
