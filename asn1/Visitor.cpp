#include "asn1/Visitor.h"

#include "asn1/IntegerWithNamedNumber.h"
#include "asn1/SequenceWalk.h"

namespace ASN1 {

bool Visitor::do_visit(IntegerWithNamedNumber& value) {
    return visit(static_cast<INTEGER&>(value));
}

int Visitor::preVisitExtensionRoots(SEQUENCE&) { return GoOn; }
int Visitor::visitExtensionRoot(SEQUENCE&, int, int) { return Fail; }
int Visitor::preVisitExtensions(SEQUENCE&) { return GoOn; }
int Visitor::visitKnownExtension(SEQUENCE&, int, int) { return Fail; }
bool Visitor::visitUnknownExtensions(SEQUENCE&) { return true; }

bool Visitor::do_walk(SEQUENCE& value) { return walkSequence(*this, value); }

}  // namespace ASN1
