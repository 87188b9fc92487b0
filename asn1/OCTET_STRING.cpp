#include "asn1/OCTET_STRING.h"

#include "asn1/Compare.h"
#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

namespace ASN1 {

HALVOX_CONSTINIT const ConstrainedInfo OCTET_STRING::theInfo = {
    {&OCTET_STRING::create, 4}, Unconstrained, 0, 0xFFFFFFFFu};

int OCTET_STRING::do_compare(const AbstractData& other) const {
    const OCTET_STRING* that = dynamic_cast<const OCTET_STRING*>(&other);
    if (!that) return mismatch(other);
    return lexicographic_compare_bytes(data(), data() + size(), that->data(),
                                       that->data() + that->size());
}

AbstractData* OCTET_STRING::do_clone() const { return new OCTET_STRING(*this); }
bool OCTET_STRING::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool OCTET_STRING::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
