#include "asn1/AbstractString.h"

#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

#include <algorithm>
#include <ostream>

namespace ASN1 {

AbstractString::size_type AbstractString::find_first_invalid() const {
    const unsigned char* set = reinterpret_cast<const unsigned char*>(getCharacterSet());
    const unsigned char* setEnd = set + getCharacterSetSize();
    if (set == setEnd) return npos;
    for (size_type at = 0; at < size(); ++at)
        if (!std::binary_search(set, setEnd, static_cast<unsigned char>((*this)[at]))) return at;
    return npos;
}

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
