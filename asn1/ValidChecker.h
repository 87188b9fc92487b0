// The visitors behind AbstractData::isValid and isStrictlyValid: each value answers for
// itself; a SEQUENCE is valid when every field present is.
#pragma once

#include "asn1/ConstVisitor.h"

namespace ASN1 {

// Valid: within every constraint, or beyond the root of an extensible one.
class ValidChecker : public ConstVisitor {
public:
    ValidChecker() : strict_(false) {}

protected:
    explicit ValidChecker(bool strict) : strict_(strict) {}

    bool do_visit(const Null& value) override;
    bool do_visit(const BOOLEAN& value) override;
    bool do_visit(const INTEGER& value) override;
    bool do_visit(const ENUMERATED& value) override;
    bool do_visit(const OBJECT_IDENTIFIER& value) override;
    bool do_visit(const BIT_STRING& value) override;
    bool do_visit(const OCTET_STRING& value) override;
    bool do_visit(const AbstractString& value) override;
    bool do_visit(const BMPString& value) override;
    bool do_visit(const CHOICE& value) override;
    bool do_visit(const OpenData& value) override;
    bool do_visit(const GeneralizedTime& value) override;
    bool do_visit(const SEQUENCE_OF_Base& value) override;

    bool visitExtensionRoot(const SEQUENCE& value, int position) override;
    bool visitKnownExtension(const SEQUENCE& value, int position) override;

private:
    template <class T>
    bool check(const T& value) const {
        return strict_ ? value.isStrictlyValid() : value.isValid();
    }

    bool strict_;
};

// Strictly valid: within the root of every constraint.
class StrictlyValidChecker : public ValidChecker {
public:
    StrictlyValidChecker() : ValidChecker(true) {}
};

}  // namespace ASN1
