// Tells whether a value's BER encoding is primitive or constructed: a visit's result true
// means primitive. SEQUENCE and SEQUENCE OF are constructed; an untagged CHOICE or open
// type is whatever the value inside it is.
#pragma once

#include "asn1/ConstVisitor.h"

namespace ASN1 {

class PrimitiveChecker : public ConstVisitor {
protected:
    bool do_visit(const AbstractData& value) override;
    bool do_visit(const CHOICE& value) override;
    bool do_visit(const OpenData& value) override;
    bool do_visit(const SEQUENCE_OF_Base& value) override;
    bool preVisitExtensionRoots(const SEQUENCE& value) override;
};

// Whether `value` is encoded in the primitive form.
bool isPrimitive(const AbstractData& value);

}  // namespace ASN1
