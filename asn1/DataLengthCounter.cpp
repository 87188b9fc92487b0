#include "asn1/DataLengthCounter.h"

#include "asn1/ASN1.h"
#include "asn1/BerRules.h"

#include <limits>

namespace ASN1 {

bool DataLengthCounter::add(unsigned octets) {
    if (octets > std::numeric_limits<unsigned>::max() - length_) return false;
    length_ += octets;
    return true;
}

unsigned DataLengthCounter::getObjectLen(unsigned tag) const {
    return ber::identifierLength(tag) + ber::lengthLength(length_) + length_;
}

bool DataLengthCounter::do_visit(const Null&) { return true; }
bool DataLengthCounter::do_visit(const BOOLEAN&) { return add(1); }

bool DataLengthCounter::do_visit(const INTEGER& value) {
    return add(ber::integerLength(value.getNumber()));
}

bool DataLengthCounter::do_visit(const ENUMERATED& value) {
    return add(getIntegerDataLength(value.asInt()));
}

bool DataLengthCounter::do_visit(const OBJECT_IDENTIFIER& value) {
    std::vector<char> contents;
    return value.encodeCommon(contents) && add(unsigned(contents.size()));
}

bool DataLengthCounter::do_visit(const BIT_STRING& value) {
    return add(1) && add(unsigned(value.getData().size()));
}

bool DataLengthCounter::do_visit(const OCTET_STRING& value) {
    return value.size() <= std::numeric_limits<unsigned>::max() && add(unsigned(value.size()));
}

bool DataLengthCounter::do_visit(const AbstractString& value) {
    return value.size() <= std::numeric_limits<unsigned>::max() && add(unsigned(value.size()));
}

bool DataLengthCounter::do_visit(const BMPString& value) {
    return value.size() <= std::numeric_limits<unsigned>::max() / 2 &&
           add(unsigned(value.size() * 2));
}

bool DataLengthCounter::do_visit(const CHOICE& value) {
    const AbstractData* selection = value.getSelection();
    return value.currentSelection() >= 0 && selection &&
           add(getObjectLength(*selection, value.getSelectionTag()));
}

bool DataLengthCounter::do_visit(const OpenData& value) {
    if (value.has_data()) return add(getObjectLength(value.get_data(), value.get_data().getTag()));
    return value.has_buf() && add(unsigned(value.get_buf().size()));
}

bool DataLengthCounter::do_visit(const GeneralizedTime& value) {
    return add(unsigned(value.get().size()));
}

bool DataLengthCounter::do_visit(const SEQUENCE_OF_Base& value) {
    for (const AbstractData* element : value)
        if (!add(getObjectLength(*element, element->getTag()))) return false;
    return true;
}

bool DataLengthCounter::preVisitExtensionRoots(const SEQUENCE&) { return true; }

bool DataLengthCounter::visitExtensionRoot(const SEQUENCE& value, int position) {
    return add(getObjectLength(*value.getField(unsigned(position)), value.getFieldTag(position)));
}

bool DataLengthCounter::visitKnownExtension(const SEQUENCE& value, int position) {
    return visitExtensionRoot(value, position);
}

unsigned getIntegerDataLength(int value) { return ber::integerLength(value); }

unsigned getDataLength(const AbstractData& value) {
    DataLengthCounter counter;
    value.accept(counter);
    return counter.getDataLen();
}

unsigned getObjectLength(const AbstractData& value, unsigned tag) {
    DataLengthCounter counter;
    value.accept(counter);
    return tag == 0 ? counter.getDataLen() : counter.getObjectLen(tag);
}

}  // namespace ASN1
