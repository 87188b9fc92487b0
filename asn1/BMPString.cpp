#include "asn1/BMPString.h"

#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

namespace ASN1 {

HALVOX_CONSTINIT const BMPStringInfo BMPString::theInfo = {
    {{&BMPString::create, 30}, Unconstrained, 0, 0xFFFFFFFFu}, 0, 65535, 16, 16};

BMPString::size_type BMPString::first_illegal_at() const {
    size_type at = 0;
    while (at < size() && legalCharacter((*this)[at])) ++at;
    return at;
}

int BMPString::do_compare(const AbstractData& other) const {
    const BMPString* that = dynamic_cast<const BMPString*>(&other);
    if (!that) return mismatch(other);
    return std::wstring::compare(*that);
}

AbstractData* BMPString::do_clone() const { return new BMPString(*this); }
bool BMPString::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool BMPString::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
