#include "asn1/BERDecoder.h"

#include "asn1/ASN1.h"
#include "asn1/BerRules.h"
#include "asn1/Limits.h"
#include "asn1/PrimitiveChecker.h"

#include <climits>
#include <cstring>
#include <memory>

namespace ASN1 {

BERDecoder::BERDecoder(const char* begin, const char* end, CoderEnv* env)
    : Visitor(env), position_(begin), end_(end), waiver_(ber::OwnTag) {}

bool BERDecoder::decodeByte(unsigned& octet) {
    if (atEnd()) return false;
    octet = static_cast<unsigned char>(*position_++);
    return true;
}

bool BERDecoder::decodeBlock(char* destination, std::size_t count) {
    if (std::size_t(limit() - position_) < count) return false;
    std::memcpy(destination, position_, count);
    position_ += count;
    return true;
}

bool BERDecoder::decodeHeader(unsigned& tag, bool& primitive, unsigned& length) {
    unsigned first, octet;
    if (!decodeByte(first)) return false;
    primitive = (first & 0x20) == 0;
    unsigned number = first & 0x1F;
    if (number == 31) {
        // The number in base 128; its first octet carries bits (X.690 8.1.2.4.2).
        number = 0;
        do {
            if (!decodeByte(octet) || (number == 0 && octet == 0x80)) return false;
            number = number << 7 | (octet & 0x7F);
            if (number > 0xFFFF) return false;
        } while (octet & 0x80);
        if (number < 31) return false;
    }
    tag = (first & 0xC0) << 16 | number;

    if (!decodeByte(octet)) return false;
    if (octet < 0x80) {
        length = octet;
    } else {
        // 0x80 is the indefinite form, never sent here; lengths take at most four octets.
        unsigned count = octet & 0x7F;
        if (count == 0 || count > 4) return false;
        length = 0;
        for (; count > 0; --count) {
            if (!decodeByte(octet)) return false;
            length = length << 8 | octet;
        }
    }
    return length <= std::size_t(limit() - position_);
}

unsigned BERDecoder::takeTag(const AbstractData& value) {
    unsigned tag = waiver_ == ber::OwnTag ? value.getTag() : waiver_;
    waiver_ = ber::OwnTag;
    return tag;
}

bool BERDecoder::decodeHeader(AbstractData& value, unsigned& length) {
    unsigned expected = takeTag(value);
    const char* start = position_;
    unsigned tag;
    bool primitive;
    if (decodeHeader(tag, primitive, length) && tag == expected && primitive == isPrimitive(value))
        return true;
    position_ = start;
    return false;
}

bool BERDecoder::decodeContents(AbstractData& value, const char*& contents, unsigned& length) {
    if (!decodeHeader(value, length)) return false;
    contents = position_;
    position_ += length;
    return true;
}

bool BERDecoder::decodeNumber(AbstractData& value, std::int64_t& number) {
    const char* contents;
    unsigned length;
    if (!decodeContents(value, contents, length) || length == 0 || length > 5) return false;
    const unsigned char* octets = reinterpret_cast<const unsigned char*>(contents);
    if (length > 1 &&
        ((octets[0] == 0x00 && octets[1] < 0x80) || (octets[0] == 0xFF && octets[1] >= 0x80)))
        return false;
    number = static_cast<signed char>(octets[0]);
    for (unsigned i = 1; i < length; ++i) number = number * 256 + octets[i];
    return true;
}

bool BERDecoder::enterExplicit(unsigned tag) {
    unsigned found, length;
    bool primitive;
    if (!decodeHeader(found, primitive, length) || found != tag || primitive) return false;
    ends_.push_back(position_ + length);
    return true;
}

bool BERDecoder::leaveExplicit() {
    if (position_ != ends_.back()) return false;
    ends_.pop_back();
    return true;
}

bool BERDecoder::do_visit(Null& value) {
    unsigned length;
    return decodeHeader(value, length) && length == 0;
}

bool BERDecoder::do_visit(BOOLEAN& value) {
    const char* contents;
    unsigned length;
    if (!decodeContents(value, contents, length) || length != 1) return false;
    value = *contents != 0;
    return true;
}

bool BERDecoder::do_visit(INTEGER& value) {
    std::int64_t number;
    if (!decodeNumber(value, number)) return false;
    // The number must fit the type's 32 bits: unsigned or signed.
    if (value.isUnsigned() ? number < 0 || number > std::int64_t(UINT_MAX)
                           : number < INT_MIN || number > INT_MAX)
        return false;
    value.setValue(int(std::uint32_t(number)));
    return true;
}

bool BERDecoder::do_visit(ENUMERATED& value) {
    std::int64_t number;
    if (!decodeNumber(value, number) || number < INT_MIN || number > INT_MAX) return false;
    value.setFromInt(int(number));
    return true;
}

bool BERDecoder::do_visit(OBJECT_IDENTIFIER& value) {
    const char* contents;
    unsigned length;
    return decodeContents(value, contents, length) && value.decodeCommon(contents, length);
}

bool BERDecoder::do_visit(OCTET_STRING& value) {
    const char* contents;
    unsigned length;
    if (!decodeContents(value, contents, length)) return false;
    value.assign(contents, contents + length);
    return true;
}

bool BERDecoder::do_visit(BIT_STRING& value) {
    const char* contents;
    unsigned length;
    if (!decodeContents(value, contents, length) || length == 0) return false;
    // The count of unused bits in the last octet, 0 when there is none (X.690 8.6.2).
    unsigned unused = static_cast<unsigned char>(contents[0]);
    if (unused > 7 || (length == 1 && unused != 0)) return false;
    value.resize(8 * (length - 1) - unused);
    if (length > 1) {
        std::memcpy(value.octets(), contents + 1, length - 1);
        value.octets()[length - 2] &= char(0xFF << unused);
    }
    return true;
}

bool BERDecoder::do_visit(AbstractString& value) {
    const char* contents;
    unsigned length;
    if (!decodeContents(value, contents, length)) return false;
    value.assign(contents, length);
    return true;
}

bool BERDecoder::do_visit(BMPString& value) {
    const char* contents;
    unsigned length;
    if (!decodeContents(value, contents, length) || length % 2 != 0) return false;
    value.resize(length / 2);
    const unsigned char* octets = reinterpret_cast<const unsigned char*>(contents);
    for (std::size_t i = 0; i < value.size(); ++i)
        value[i] = wchar_t(octets[2 * i] << 8 | octets[2 * i + 1]);
    return true;
}

bool BERDecoder::do_visit(GeneralizedTime& value) {
    const char* contents;
    unsigned length;
    if (!decodeContents(value, contents, length)) return false;
    std::string text(contents, length);
    return text.find('\0') == std::string::npos && value.set(text.c_str());
}

bool BERDecoder::decodeChoicePreamle(CHOICE& value, const char*& end) {
    const char* start = position_;
    unsigned tag, length;
    bool primitive;
    if (!decodeHeader(tag, primitive, length)) return false;
    end = position_ + length;
    position_ = start;
    if (!value.setID(ber::tagNumber(tag), ber::tagClass(tag))) return false;
    // The alternative's header carries the alternative's tag in place of its type's.
    unsigned selectionTag = value.getSelectionTag();
    if (selectionTag != 0) waiver_ = selectionTag;
    return true;
}

bool BERDecoder::do_visit(CHOICE& value) {
    // A tag given to the CHOICE (or its type's own) wraps the alternative.
    unsigned tag = takeTag(value);
    if (tag != 0 && !enterExplicit(tag)) return false;
    const char* end;
    if (!decodeChoicePreamle(value, end) || !value.getSelection()->accept(*this)) return false;
    position_ = end;
    return tag == 0 || leaveExplicit();
}

bool BERDecoder::do_visit(SEQUENCE_OF_Base& value) {
    unsigned length;
    if (!decodeHeader(value, length)) return false;
    const char* end = position_ + length;
    ends_.push_back(end);
    value.clear();
    while (position_ < end) {
        if (value.size() >= MaximumArraySize) return false;
        std::unique_ptr<AbstractData> element(value.createElement());
        if (!element || !element->accept(*this)) return false;
        value.push_back(element.release());
    }
    ends_.pop_back();
    return true;
}

bool BERDecoder::do_visit(OpenData& value) {
    // With a tag, the octets are its contents; without, the whole next element. Either
    // way they are the contained value's complete encoding.
    unsigned tag = takeTag(value);
    const char* begin = position_;
    unsigned found, length;
    bool primitive;
    if (!decodeHeader(found, primitive, length)) return false;
    if (tag != 0) {
        if (found != tag || primitive || length == 0) return false;
        begin = position_;
    }
    const char* end = position_ + length;
    if (!value.has_buf()) value.grab(new std::vector<char>);
    value.get_buf().assign(begin, end);
    position_ = end;
    return true;
}

bool BERDecoder::do_revisit(OpenData& value) {
    if (!value.has_buf() || !value.has_data()) return false;
    const std::vector<char>& octets = value.get_buf();
    BERDecoder inner(octets.data(), octets.data() + octets.size(), get_env());
    return value.get_data().accept(inner);
}

bool BERDecoder::do_visit(TypeConstrainedOpenData& value) {
    if (!value.has_data()) return false;
    unsigned tag = takeTag(value);
    if (tag == 0) return value.get_data().accept(*this);
    return enterExplicit(tag) && value.get_data().accept(*this) && leaveExplicit();
}

int BERDecoder::preVisitExtensionRoots(SEQUENCE& value) {
    unsigned length;
    if (!decodeHeader(value, length)) return Fail;
    ends_.push_back(position_ + length);
    // Presence comes from the input alone.
    SEQUENCE::BitMap& optionals = value.optionalMap();
    unsigned count = optionals.size();
    optionals.resize(0);
    optionals.resize(count);
    value.extensionMap().resize(0);
    return GoOn;
}

int BERDecoder::visitExtensionRoot(SEQUENCE& value, int position, int optional) {
    int absent = optional < 0 ? Fail : GoOn;  // a mandatory field must be there
    if (atEnd()) return absent;
    unsigned fieldTag = value.getFieldTag(position);
    if (fieldTag != 0) {
        const char* start = position_;
        unsigned tag, length;
        bool primitive;
        if (!decodeHeader(tag, primitive, length)) return Fail;
        position_ = start;
        if (tag != fieldTag) return absent;
    }
    AbstractData* field = optional < 0
                              ? value.ensureField(unsigned(position))
                              : value.includeOptionalField(unsigned(optional), unsigned(position));
    if (field && fieldTag != 0) {
        waiver_ = fieldTag;
        return field->accept(*this) ? GoOn : Fail;
    }
    // Without a tag to look for, the field is there when it decodes.
    const char* start = position_;
    std::size_t depth = ends_.size();
    if (field && field->accept(*this)) return GoOn;
    position_ = start;
    ends_.resize(depth);
    waiver_ = ber::OwnTag;
    if (optional >= 0) value.removeOptionalField(unsigned(optional));
    return absent;
}

int BERDecoder::visitKnownExtension(SEQUENCE& value, int position, int optional) {
    return visitExtensionRoot(value, position, optional);
}

// Whatever is left of the SEQUENCE's contents, unknown extension additions included, is
// passed over.
bool BERDecoder::visitUnknownExtensions(SEQUENCE&) {
    position_ = ends_.back();
    ends_.pop_back();
    return true;
}

}  // namespace ASN1
