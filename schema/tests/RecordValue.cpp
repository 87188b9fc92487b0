#include "schema/tests/RecordValue.h"

#include "asn1/ASN1.h"

#include <algorithm>
#include <climits>

namespace RecordValue {

namespace {

void fill(ASN1::AbstractData& value, bool withOptionals, unsigned choice);

void fillSequence(ASN1::SEQUENCE& value, bool withOptionals, unsigned choice) {
    const unsigned roots = value.rootCount();
    for (unsigned pos = 0; pos < roots + value.extensionCount(); ++pos) {
        const int id = pos < roots ? value.fieldId(pos) : int(value.optionalCount() + pos - roots);
        if (id < 0)
            fill(*value.getField(pos), withOptionals, choice);
        else if (withOptionals)
            fill(*value.includeOptionalField(unsigned(id), pos), withOptionals, choice);
    }
}

void fillString(ASN1::AbstractString& text) {
    const bool sized = text.getConstraintType() == ASN1::FixedConstraint;
    const unsigned length = sized ? std::min(text.getUpperLimit(), 64u) : 3;
    const char* alphabet = text.getCharacterSet();
    const unsigned size = text.getCharacterSetSize();
    text.clear();
    for (unsigned i = 0; i < length; ++i) text.push_back(alphabet[(i * 7 + 65) % size]);
}

void fill(ASN1::AbstractData& value, bool withOptionals, unsigned choice) {
    if (auto* sequence = dynamic_cast<ASN1::SEQUENCE*>(&value)) {
        fillSequence(*sequence, withOptionals, choice);
    } else if (auto* alternatives = dynamic_cast<ASN1::CHOICE*>(&value)) {
        alternatives->select(int(choice % alternatives->getKnownChoices()));
        fill(*alternatives->getSelection(), withOptionals, choice);
    } else if (auto* list = dynamic_cast<ASN1::SEQUENCE_OF_Base*>(&value)) {
        list->resize(2);
        for (ASN1::AbstractData* element : *list) fill(*element, withOptionals, choice);
    } else if (auto* number = dynamic_cast<ASN1::INTEGER*>(&value)) {
        number->setValue(number->constrained() ? int(number->getUpperLimit()) : INT_MIN + 1);
    } else if (auto* item = dynamic_cast<ASN1::ENUMERATED*>(&value)) {
        item->setFromInt(item->getMaximum());
    } else if (auto* flag = dynamic_cast<ASN1::BOOLEAN*>(&value)) {
        *flag = true;
    } else if (auto* text = dynamic_cast<ASN1::AbstractString*>(&value)) {
        fillString(*text);
    } else if (auto* octets = dynamic_cast<ASN1::OCTET_STRING*>(&value)) {
        *octets = std::vector<char>{'\x00', '\x7F', '\x80', '\xFF'};
    } else if (auto* oid = dynamic_cast<ASN1::OBJECT_IDENTIFIER*>(&value)) {
        for (unsigned arc : {1u, 2u, 840u, 113549u}) oid->append(arc);
    }
}

}  // namespace

std::unique_ptr<ASN1::AbstractData> make(const void* info, bool withOptionals, unsigned choice) {
    std::unique_ptr<ASN1::AbstractData> value(ASN1::AbstractData::create(info));
    fill(*value, withOptionals, choice);
    return value;
}

}  // namespace RecordValue
