#include "asn1/ConstVisitor.h"

#include "asn1/ASN1.h"
#include "asn1/SequenceWalk.h"

namespace ASN1 {

bool ConstVisitor::do_visit(const AbstractData&) { return true; }
bool ConstVisitor::do_visit(const Null& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const BOOLEAN& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const INTEGER& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const IntegerWithNamedNumber& value) {
    return do_visit(static_cast<const INTEGER&>(value));
}
bool ConstVisitor::do_visit(const ENUMERATED& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const OBJECT_IDENTIFIER& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const BIT_STRING& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const OCTET_STRING& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const AbstractString& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const BMPString& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const CHOICE& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const OpenData& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const GeneralizedTime& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::do_visit(const SEQUENCE_OF_Base& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}

bool ConstVisitor::preVisitExtensionRoots(const SEQUENCE& value) {
    return do_visit(static_cast<const AbstractData&>(value));
}
bool ConstVisitor::visitExtensionRoot(const SEQUENCE&, int) { return false; }
bool ConstVisitor::preVisitExtensions(const SEQUENCE&) { return true; }
bool ConstVisitor::visitKnownExtension(const SEQUENCE&, int) { return false; }
bool ConstVisitor::afterVisitSequence(const SEQUENCE&) { return true; }

bool ConstVisitor::do_walk(const SEQUENCE& value) { return walkSequence(*this, value); }

}  // namespace ASN1
