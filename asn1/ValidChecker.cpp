#include "asn1/ValidChecker.h"

#include "asn1/ASN1.h"

namespace ASN1 {

bool ValidChecker::do_visit(const Null&) { return true; }
bool ValidChecker::do_visit(const BOOLEAN&) { return true; }
bool ValidChecker::do_visit(const INTEGER& value) {
    return strict_ ? value.isStrictValid() : value.isValid();
}
bool ValidChecker::do_visit(const ENUMERATED& value) { return check(value); }
bool ValidChecker::do_visit(const OBJECT_IDENTIFIER& value) { return check(value); }
bool ValidChecker::do_visit(const BIT_STRING& value) { return check(value); }
bool ValidChecker::do_visit(const OCTET_STRING& value) { return check(value); }
bool ValidChecker::do_visit(const AbstractString& value) { return check(value); }
bool ValidChecker::do_visit(const BMPString& value) { return check(value); }
bool ValidChecker::do_visit(const CHOICE& value) { return check(value); }
bool ValidChecker::do_visit(const OpenData& value) { return check(value); }
bool ValidChecker::do_visit(const GeneralizedTime& value) { return check(value); }
bool ValidChecker::do_visit(const SEQUENCE_OF_Base& value) { return check(value); }

bool ValidChecker::visitExtensionRoot(const SEQUENCE& value, int position) {
    return check(*value.getField(unsigned(position)));
}

bool ValidChecker::visitKnownExtension(const SEQUENCE& value, int position) {
    return visitExtensionRoot(value, position);
}

}  // namespace ASN1
