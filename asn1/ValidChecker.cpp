#include "asn1/ValidChecker.h"

#include "asn1/ASN1.h"

namespace ASN1 {

bool ValidChecker::do_visit(const Null&) { return true; }
bool ValidChecker::do_visit(const BOOLEAN&) { return true; }
bool ValidChecker::do_visit(const INTEGER& value) { return value.isValid(); }
bool ValidChecker::do_visit(const ENUMERATED& value) { return value.isValid(); }
bool ValidChecker::do_visit(const OBJECT_IDENTIFIER& value) { return value.isValid(); }
bool ValidChecker::do_visit(const BIT_STRING& value) { return value.isValid(); }
bool ValidChecker::do_visit(const OCTET_STRING& value) { return value.isValid(); }
bool ValidChecker::do_visit(const AbstractString& value) { return value.isValid(); }
bool ValidChecker::do_visit(const BMPString& value) { return value.isValid(); }
bool ValidChecker::do_visit(const CHOICE& value) { return value.isValid(); }
bool ValidChecker::do_visit(const OpenData& value) { return value.isValid(); }
bool ValidChecker::do_visit(const GeneralizedTime& value) { return value.isValid(); }
bool ValidChecker::do_visit(const SEQUENCE_OF_Base& value) { return value.isValid(); }

bool ValidChecker::visitExtensionRoot(const SEQUENCE& value, int position) {
    return value.getField(unsigned(position))->isValid();
}

bool ValidChecker::visitKnownExtension(const SEQUENCE& value, int position) {
    return visitExtensionRoot(value, position);
}

bool StrictlyValidChecker::do_visit(const Null&) { return true; }
bool StrictlyValidChecker::do_visit(const BOOLEAN&) { return true; }
bool StrictlyValidChecker::do_visit(const INTEGER& value) { return value.isStrictValid(); }
bool StrictlyValidChecker::do_visit(const ENUMERATED& value) { return value.isStrictlyValid(); }
bool StrictlyValidChecker::do_visit(const OBJECT_IDENTIFIER& value) {
    return value.isStrictlyValid();
}
bool StrictlyValidChecker::do_visit(const BIT_STRING& value) { return value.isStrictlyValid(); }
bool StrictlyValidChecker::do_visit(const OCTET_STRING& value) { return value.isStrictlyValid(); }
bool StrictlyValidChecker::do_visit(const AbstractString& value) { return value.isStrictlyValid(); }
bool StrictlyValidChecker::do_visit(const BMPString& value) { return value.isStrictlyValid(); }
bool StrictlyValidChecker::do_visit(const CHOICE& value) { return value.isStrictlyValid(); }
bool StrictlyValidChecker::do_visit(const OpenData& value) { return value.isStrictlyValid(); }
bool StrictlyValidChecker::do_visit(const GeneralizedTime& value) {
    return value.isStrictlyValid();
}
bool StrictlyValidChecker::do_visit(const SEQUENCE_OF_Base& value) {
    return value.isStrictlyValid();
}

bool StrictlyValidChecker::visitExtensionRoot(const SEQUENCE& value, int position) {
    return value.getField(unsigned(position))->isStrictlyValid();
}

bool StrictlyValidChecker::visitKnownExtension(const SEQUENCE& value, int position) {
    return visitExtensionRoot(value, position);
}

}  // namespace ASN1
