#include "asn1/PrimitiveChecker.h"

#include "asn1/CHOICE.h"
#include "asn1/OpenData.h"

namespace ASN1 {

bool PrimitiveChecker::do_visit(const AbstractData&) { return true; }

bool PrimitiveChecker::do_visit(const CHOICE& value) {
    const AbstractData* selection = value.getSelection();
    return !selection || selection->accept(*this);
}

bool PrimitiveChecker::do_visit(const OpenData& value) {
    return !value.has_data() || value.get_data().accept(*this);
}

bool PrimitiveChecker::do_visit(const SEQUENCE_OF_Base&) { return false; }

// Ends the walk at once: a SEQUENCE is never primitive.
bool PrimitiveChecker::preVisitExtensionRoots(const SEQUENCE&) { return false; }

bool isPrimitive(const AbstractData& value) {
    PrimitiveChecker checker;
    return value.accept(checker);
}

}  // namespace ASN1
