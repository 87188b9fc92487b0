#include "asn1/BEREncoder.h"

#include "asn1/ASN1.h"
#include "asn1/BerRules.h"
#include "asn1/DataLengthCounter.h"
#include "asn1/PrimitiveChecker.h"

namespace ASN1 {

BEREncoder::BEREncoder(std::vector<char>& output) : output_(output), tag_(ber::OwnTag) {
    output_.clear();
    if (output_.capacity() == 0) output_.reserve(256);
}

unsigned BEREncoder::takeTag(const AbstractData& value) {
    unsigned tag = tag_ == ber::OwnTag ? value.getTag() : tag_;
    tag_ = ber::OwnTag;
    return tag;
}

void BEREncoder::encodeIdentifier(unsigned tag, bool constructed) {
    unsigned first = ber::tagClass(tag) | (constructed ? 0x20 : 0);
    unsigned number = ber::tagNumber(tag);
    if (number < 31) {
        encodeByte(first | number);
        return;
    }
    encodeByte(first | 31);
    for (int shift = 7 * int(ber::identifierLength(tag) - 2); shift > 0; shift -= 7)
        encodeByte(0x80 | ((number >> shift) & 0x7F));
    encodeByte(number & 0x7F);
}

void BEREncoder::encodeLength(unsigned length) {
    unsigned octets = ber::lengthLength(length);
    if (octets == 1) {
        encodeByte(length);
        return;
    }
    encodeByte(0x80 | (octets - 1));
    for (int shift = 8 * int(octets - 2); shift >= 0; shift -= 8) encodeByte(length >> shift);
}

void BEREncoder::encodeHeader(const AbstractData& value) {
    encodeIdentifier(takeTag(value), !isPrimitive(value));
    encodeLength(getDataLength(value));
}

void BEREncoder::encodeNumber(std::int64_t number) {
    for (int shift = 8 * int(ber::integerLength(number) - 1); shift >= 0; shift -= 8)
        encodeByte(unsigned(number >> shift));
}

bool BEREncoder::do_visit(const Null& value) {
    encodeHeader(value);
    return true;
}

bool BEREncoder::do_visit(const BOOLEAN& value) {
    encodeHeader(value);
    encodeByte(value ? 0xFF : 0x00);
    return true;
}

bool BEREncoder::do_visit(const INTEGER& value) {
    encodeHeader(value);
    encodeNumber(value.getNumber());
    return true;
}

bool BEREncoder::do_visit(const ENUMERATED& value) {
    encodeHeader(value);
    encodeNumber(value.asInt());
    return true;
}

bool BEREncoder::do_visit(const OBJECT_IDENTIFIER& value) {
    std::vector<char> contents;
    if (!value.encodeCommon(contents)) return false;
    encodeHeader(value);
    encodeBlock(contents.data(), contents.size());
    return true;
}

bool BEREncoder::do_visit(const BIT_STRING& value) {
    encodeHeader(value);
    encodeByte((8 - value.size() % 8) % 8);
    encodeBlock(value.getData().data(), value.getData().size());
    return true;
}

bool BEREncoder::do_visit(const OCTET_STRING& value) {
    encodeHeader(value);
    encodeBlock(value.data(), value.size());
    return true;
}

bool BEREncoder::do_visit(const AbstractString& value) {
    encodeHeader(value);
    encodeBlock(value.data(), value.size());
    return true;
}

bool BEREncoder::do_visit(const BMPString& value) {
    encodeHeader(value);
    for (wchar_t c : value) {
        encodeByte(unsigned(c) >> 8);
        encodeByte(unsigned(c));
    }
    return true;
}

bool BEREncoder::do_visit(const CHOICE& value) {
    const AbstractData* selection = value.getSelection();
    if (value.currentSelection() < 0 || !selection) return false;
    // A tag given to a CHOICE (or its type's own) is explicit: it wraps the alternative.
    unsigned tag = takeTag(value);
    if (tag != 0) {
        encodeIdentifier(tag, true);
        encodeLength(getDataLength(value));
    }
    tag_ = value.getSelectionTag();
    return selection->accept(*this);
}

bool BEREncoder::do_visit(const OpenData& value) {
    if (!value.has_data() && (!value.has_buf() || value.get_buf().empty())) return false;
    unsigned tag = takeTag(value);
    if (tag != 0) {
        encodeIdentifier(tag, true);
        encodeLength(getDataLength(value));
    }
    if (value.has_data()) return value.get_data().accept(*this);
    encodeBlock(value.get_buf().data(), value.get_buf().size());
    return true;
}

bool BEREncoder::do_visit(const GeneralizedTime& value) {
    encodeHeader(value);
    std::string text = value.get();
    encodeBlock(text.data(), text.size());
    return true;
}

bool BEREncoder::do_visit(const SEQUENCE_OF_Base& value) {
    encodeHeader(value);
    for (const AbstractData* element : value)
        if (!element->accept(*this)) return false;
    return true;
}

bool BEREncoder::preVisitExtensionRoots(const SEQUENCE& value) {
    encodeHeader(value);
    return true;
}

bool BEREncoder::visitExtensionRoot(const SEQUENCE& value, int position) {
    tag_ = value.getFieldTag(position);
    return value.getField(unsigned(position))->accept(*this);
}

bool BEREncoder::visitKnownExtension(const SEQUENCE& value, int position) {
    return visitExtensionRoot(value, position);
}

}  // namespace ASN1
