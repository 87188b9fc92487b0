// The two SEQUENCE walks, each written once: the reading walk of the decoders and the
// writing walk of the encoders and checkers. Visitor and ConstVisitor run them through
// their virtual hooks; a codec whose class is final runs them compiled against its own
// hooks, so a field reaches its hook without a virtual call (the aligned PER codec: about
// a tenth of the instructions of a fully populated RTP create, each way).
#pragma once

#include "asn1/ConstVisitor.h"
#include "asn1/SEQUENCE.h"
#include "asn1/Visitor.h"

namespace ASN1 {

// The root fields in order, then (when the first hook said so) the known extension
// additions, then the unknown ones. Every root field is offered, present or not: the hook
// knows from its input whether the field is there.
template <class V>
bool walkSequence(V& visitor, SEQUENCE& value) {
    int code = visitor.preVisitExtensionRoots(value);
    if (code == Visitor::Fail || code == Visitor::Done) return code == Visitor::Done;
    bool withExtensions = code == Visitor::GoOn;

    // Type data is constant: read once here rather than again after every hook.
    const SequenceInfo& record = *static_cast<const SequenceInfo*>(value.info());
    const int* ids = record.fieldIds;
    unsigned roots = record.rootCount;
    for (unsigned pos = 0; pos < roots; ++pos) {
        int fieldCode = visitor.visitExtensionRoot(value, int(pos), ids[pos]);
        if (fieldCode == Visitor::Fail || fieldCode == Visitor::Done)
            return fieldCode == Visitor::Done;
    }
    if (!withExtensions) return true;

    code = visitor.preVisitExtensions(value);
    if (code != Visitor::GoOn) return code != Visitor::Fail;
    unsigned optionals = value.optionalCount();
    for (unsigned k = 0; k < value.extensionCount(); ++k) {
        code = visitor.visitKnownExtension(value, int(roots + k), int(optionals + k));
        if (code != Visitor::GoOn) return code != Visitor::Fail;
    }
    return visitor.visitUnknownExtensions(value);
}

// Every present root field in order; then, for an extensible type whose value carries
// extension bits, every present known addition; then the closing hook. A field marked
// present that does not exist fails the walk.
template <class V>
bool walkSequence(V& visitor, const SEQUENCE& value) {
    if (!visitor.preVisitExtensionRoots(value)) return false;
    // The field ids and the presence bits are read once: a hook cannot change a const
    // value, yet after each call through the hooks the compiler would load them again.
    const int* ids = static_cast<const SequenceInfo*>(value.info())->fieldIds;
    const char* present = value.optionalMap().octets();
    unsigned roots = value.rootCount();
    for (unsigned pos = 0; pos < roots; ++pos) {
        int id = ids[pos];
        if (id >= 0 && !(present[id / 8] & (0x80 >> (id % 8)))) continue;
        if (!value.getField(pos) || !visitor.visitExtensionRoot(value, int(pos))) return false;
    }
    if (value.extendable() && value.extensionMap().size() != 0) {
        if (!visitor.preVisitExtensions(value)) return false;
        for (unsigned k = 0; k < value.extensionCount(); ++k) {
            if (!value.extensionMap()[k]) continue;
            unsigned pos = value.rootCount() + k;
            if (!value.getField(pos) || !visitor.visitKnownExtension(value, int(pos))) return false;
        }
    }
    return visitor.afterVisitSequence(value);
}

}  // namespace ASN1
