#include "asn1/Visitor.h"

#include "asn1/IntegerWithNamedNumber.h"
#include "asn1/SEQUENCE.h"

namespace ASN1 {

bool Visitor::do_visit(IntegerWithNamedNumber& value) {
    return visit(static_cast<INTEGER&>(value));
}

int Visitor::preVisitExtensionRoots(SEQUENCE&) { return GoOn; }
int Visitor::visitExtensionRoot(SEQUENCE&, int, int) { return Fail; }
int Visitor::preVisitExtensions(SEQUENCE&) { return GoOn; }
int Visitor::visitKnownExtension(SEQUENCE&, int, int) { return Fail; }
bool Visitor::visitUnknownExtensions(SEQUENCE&) { return true; }

bool Visitor::visit(SEQUENCE& value) {
    int code = preVisitExtensionRoots(value);
    if (code == Fail || code == Done) return code == Done;
    bool withExtensions = code == GoOn;

    // Type data is constant: read once here rather than again after every hook.
    const SequenceInfo& record = *static_cast<const SequenceInfo*>(value.info());
    const int* ids = record.fieldIds;
    unsigned roots = record.rootCount;
    for (unsigned pos = 0; pos < roots; ++pos) {
        int fieldCode = visitExtensionRoot(value, int(pos), ids[pos]);
        if (fieldCode == Fail || fieldCode == Done) return fieldCode == Done;
    }
    if (!withExtensions) return true;

    code = preVisitExtensions(value);
    if (code != GoOn) return code != Fail;
    unsigned optionals = value.optionalCount();
    for (unsigned k = 0; k < value.extensionCount(); ++k) {
        code = visitKnownExtension(value, int(roots + k), int(optionals + k));
        if (code != GoOn) return code != Fail;
    }
    return visitUnknownExtensions(value);
}

}  // namespace ASN1
