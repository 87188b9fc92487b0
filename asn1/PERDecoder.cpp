#include "asn1/PERDecoder.h"

#include "asn1/ASN1.h"
#include "asn1/Limits.h"
#include "asn1/PerRules.h"
#include "asn1/SequenceWalk.h"

#include <memory>

namespace ASN1 {

using per::FullRange;
using per::Unbounded;

PERDecoder::PERDecoder(const char* begin, const char* end, CoderEnv* env)
    : Visitor(env), position_(begin), end_(end < begin ? begin : end), bitsLeft_(8) {}

void PERDecoder::setPosition(const char* position) {
    position_ = position < end_ ? position : end_;
    bitsLeft_ = 8;
}

void PERDecoder::rollback(const memento_type& memento) {
    if (!memento.position) return;
    setPosition(memento.position);
    if (position_ == memento.position && position_ < end_) bitsLeft_ = memento.bitsLeft;
}

bool PERDecoder::decodeLongBitMap(char* octets, unsigned count) {
    if (getBitsLeft() < count) return false;
    // Up to four octets at a time, the last of them filled from the top.
    for (unsigned done = 0; done < count; done += 32) {
        unsigned take = std::min(count - done, 32u);
        std::uint32_t bits;
        if (!decodeMultiBit(take, bits)) return false;
        bits <<= 32 - take;
        for (unsigned i = 0; i < (take + 7) / 8; ++i) octets[done / 8 + i] = char(bits >> (24 - 8 * i));
    }
    return true;
}

bool PERDecoder::decodeBlock(char* destination, std::size_t count) {
    byteAlign();
    if (std::size_t(end_ - position_) < count) return false;
    std::copy(position_, position_ + count, destination);
    position_ += count;
    return true;
}

bool PERDecoder::decodeSmallUnsigned(std::uint32_t& value) {
    bool large;
    if (!decodeSingleBit(large)) return false;
    if (!large) return decodeMultiBit(6, value);
    std::uint32_t octets;
    if (!decodeLength(0, Unbounded, octets) || octets == 0 || octets > 4) return false;
    return decodeMultiBit(8 * octets, value);
}

bool PERDecoder::decodeWideWholeNumber(std::uint64_t count, std::uint64_t& offset) {
    std::uint32_t bits;
    if (count <= 65536) {
        byteAlign();
        if (!decodeMultiBit(count == 256 ? 8 : 16, bits)) return false;
    } else {
        std::uint32_t octets;
        if (!decodeMultiBit(CountBits((CountBits(std::uint32_t(count)) + 7) / 8), octets))
            return false;
        byteAlign();
        if (!decodeMultiBit(8 * (octets + 1), bits)) return false;
    }
    offset = bits;
    return true;
}

bool PERDecoder::decodeUnsigned(std::uint32_t lower, std::uint32_t upper, std::uint32_t& value) {
    std::uint64_t offset;
    if (upper < lower || !decodeWholeNumber(std::uint64_t(upper) - lower + 1, offset)) return false;
    value = std::uint32_t(lower + offset);
    return true;
}

bool PERDecoder::decodeLength(std::uint32_t lower, std::uint32_t upper, std::uint32_t& length) {
    if (upper <= 0xFFFF) return decodeUnsigned(lower, upper, length);
    // Unconstrained: one aligned octet up to 127, two up to 16383.
    byteAlign();
    if (atEnd()) return false;
    unsigned first = static_cast<unsigned char>(*position_);
    if ((first & 0x80) == 0) {
        ++position_;
        length = first;
        return true;
    }
    if ((first & 0x40) != 0 || end_ - position_ < 2) return false;  // never fragmented here
    length = (first & 0x3F) << 8 | static_cast<unsigned char>(position_[1]);
    position_ += 2;
    return true;
}

bool PERDecoder::decodeSizedLength(const ConstrainedObject& object, std::uint32_t& size,
                                   bool& fixed) {
    ConstraintType kind = object.getConstraintType();
    bool outside = false;
    if (kind == ExtendableConstraint && !decodeSingleBit(outside)) return false;
    fixed = per::fixedSize(object, outside);
    if (kind == Unconstrained || outside) return decodeLength(0, Unbounded, size);
    return decodeLength(std::uint32_t(object.getLowerLimit()), object.getUpperLimit(), size);
}

bool PERDecoder::decodeConstrainedLength(const ConstrainedObject& object, std::uint32_t& size) {
    bool fixed;
    return decodeSizedLength(object, size, fixed);
}

bool PERDecoder::decodeOpenTypeLength(std::uint32_t& length) {
    return decodeLength(0, Unbounded, length) && std::size_t(end_ - position_) >= length;
}

bool PERDecoder::decodeUpTo(const char* stop, AbstractData& value) {
    const char* end = end_;
    end_ = stop;
    bool decoded = value.accept(*this);
    end_ = end;
    return decoded;
}

bool PERDecoder::do_visit(Null&) { return true; }

bool PERDecoder::do_visit(BOOLEAN& value) {
    bool bit;
    if (!decodeSingleBit(bit)) return false;
    value = bit;
    return true;
}

bool PERDecoder::do_visit(INTEGER& value) {
    ConstraintType kind = value.getConstraintType();
    bool outside = false;
    if (kind == ExtendableConstraint && !decodeSingleBit(outside)) return false;
    if ((kind == FixedConstraint || kind == ExtendableConstraint) && !outside) {
        std::int64_t lower = value.getLowerLimit();
        std::int64_t upper = value.getUpperLimit();
        std::uint64_t count = std::uint64_t(upper - lower) + 1;
        std::uint64_t offset;
        if (upper < lower || count > FullRange || !decodeWholeNumber(count, offset)) return false;
        value.setValue(int(std::uint32_t(std::uint64_t(lower) + offset)));
        return true;
    }
    std::uint32_t octets, number;
    if (!decodeLength(0, Unbounded, octets) || octets == 0 || octets > 4 ||
        !decodeMultiBit(8 * octets, number))
        return false;
    // Only a number without any bound carries a sign.
    if (kind == Unconstrained && octets < 4 && (number >> (8 * octets - 1)) != 0)
        number |= ~std::uint32_t(0) << (8 * octets);
    value.setValue(int(number));
    return true;
}

bool PERDecoder::do_visit(ENUMERATED& value) {
    bool extension = false;
    if (value.extendable() && !decodeSingleBit(extension)) return false;
    std::uint64_t number;
    if (extension) {
        std::uint32_t count;
        if (!decodeSmallUnsigned(count) || count == 0 || !decodeWholeNumber(count, number))
            return false;
    } else {
        if (value.getMaximum() < 0 ||
            !decodeWholeNumber(std::uint64_t(value.getMaximum()) + 1, number))
            return false;
    }
    value.setFromInt(int(std::uint32_t(number)));
    return true;
}

bool PERDecoder::do_visit(OBJECT_IDENTIFIER& value) {
    std::uint32_t length;
    if (!decodeLength(0, 255, length)) return false;
    byteAlign();
    if (std::size_t(end_ - position_) < length) return false;
    const char* contents = position_;
    position_ += length;
    return value.decodeCommon(contents, length);
}

bool PERDecoder::do_visit(OCTET_STRING& value) {
    std::uint32_t size;
    bool fixed;
    if (!decodeSizedLength(value, size, fixed) || size > MaximumStringSize ||
        getBitsLeft() / 8 < size)
        return false;
    value.resize(size);
    if (fixed && size <= 2) {
        for (char& octet : value) {
            std::uint32_t bits;
            if (!decodeMultiBit(8, bits)) return false;
            octet = char(bits);
        }
        return true;
    }
    return size == 0 || decodeBlock(value.data(), size);
}

bool PERDecoder::do_visit(BIT_STRING& value) {
    std::uint32_t size;
    bool fixed;
    if (!decodeSizedLength(value, size, fixed) || size > MaximumStringSize || getBitsLeft() < size)
        return false;
    value.resize(size);
    if (size == 0) return true;
    if (!fixed || size > 16) byteAlign();
    return decodeBitMap(value.octets(), size);
}

bool PERDecoder::do_visit(AbstractString& value) {
    std::uint32_t n;
    bool fixed;
    unsigned bits = value.getNumBits(true);
    if (!decodeSizedLength(value, n, fixed) || n > MaximumStringSize ||
        getBitsLeft() < std::size_t(n) * bits) {
        value.clear();
        return false;
    }
    bool aligned = !per::shortString(value, bits);
    if (aligned) byteAlign();
    if (aligned && bits == 8) {
        // The characters are the octets themselves.
        if (std::size_t(end_ - position_) < n) {
            value.clear();
            return false;
        }
        value.clear();  // then append: cheaper than assign, which allows for overlap
        value.append(position_, n);
        position_ += n;
        return true;
    }
    value.resize(n);
    bool byCode = value.getCanonicalSetBits() <= bits && value.getCanonicalSetBits() > 4;
    for (char& c : value) {
        std::uint32_t code;
        if (!decodeMultiBit(bits, code)) return false;
        if (!byCode && value.getCharacterSetSize() != 0) {
            if (code >= value.getCharacterSetSize()) return false;
            code = static_cast<unsigned char>(value.getCharacterSet()[code]);
        }
        c = char(code);
    }
    return true;
}

bool PERDecoder::do_visit(BMPString& value) {
    std::uint32_t n;
    bool fixed;
    unsigned bits = value.getNumBits(true);
    if (!decodeSizedLength(value, n, fixed) || n > MaximumStringSize ||
        getBitsLeft() < std::size_t(n) * bits)
        return false;
    value.resize(n);
    if (n == 0) return true;
    if (!per::shortString(value, bits)) byteAlign();
    for (wchar_t& c : value) {
        std::uint32_t code;
        if (!decodeMultiBit(bits, code)) return false;
        c = wchar_t(code + value.getFirstChar());
    }
    return true;
}

bool PERDecoder::decodeChoicePreamle(CHOICE& value, memento_type& after) {
    bool isExtension = false;
    if (value.extendable() && !decodeSingleBit(isExtension)) return false;
    std::uint64_t index;
    unsigned roots = value.getNumChoices();
    if (isExtension) {
        std::uint32_t n, length;
        if (!decodeSmallUnsigned(n) || !decodeOpenTypeLength(length)) return false;
        after.position = position_ + length;
        after.bitsLeft = 8;
        index = std::uint64_t(roots) + n;
        return value.select(index <= 0x7FFFFFFF ? int(index) : CHOICE::unknownSelection_);
    }
    if (roots == 0) return false;
    if (roots == 1)
        index = 0;
    else if (!decodeWholeNumber(roots, index) || index >= roots)
        return false;
    return value.select(int(index));
}

bool PERDecoder::do_visit(CHOICE& value) {
    memento_type after;
    bool selected = decodeChoicePreamle(value, after);
    if (!after.position) return selected && value.getSelection()->accept(*this);
    // An extension alternative lies within its open type, and the read goes on after it;
    // one this side does not know is skipped, the CHOICE saying so itself.
    bool decoded = selected ? decodeUpTo(after.position, *value.getSelection())
                            : value.isUnknownSelection();
    rollback(after);
    return decoded;
}

bool PERDecoder::do_visit(SEQUENCE_OF_Base& value) {
    std::uint32_t count;
    if (!decodeConstrainedLength(value, count) || count > MaximumArraySize) return false;
    // Elements are made one by one as they decode, so a count the input cannot fill
    // costs no more than the input.
    for (unsigned i = 0; i < count; ++i) {
        if (i == value.size()) value.push_back(value.createElement());
        if (!(*(value.begin() + i))->accept(*this)) {
            value.erase(value.begin() + i, value.end());
            return false;
        }
    }
    value.erase(value.begin() + count, value.end());
    return true;
}

bool PERDecoder::do_visit(OpenData& value) {
    std::uint32_t length;
    if (!decodeOpenTypeLength(length) || length > MaximumStringSize) return false;
    if (!value.has_buf()) value.grab(new std::vector<char>);
    value.get_buf().assign(position_, position_ + length);
    position_ += length;
    return true;
}

bool PERDecoder::do_revisit(OpenData& value) {
    if (!value.has_buf() || !value.has_data()) return false;
    const std::vector<char>& octets = value.get_buf();
    PERDecoder inner(octets.data(), octets.data() + octets.size(), get_env());
    return value.get_data().accept(inner);
}

bool PERDecoder::do_visit(TypeConstrainedOpenData& value) {
    std::uint32_t length;
    if (!value.has_data() || !decodeOpenTypeLength(length)) return false;
    const char* end = position_ + length;
    bool decoded = decodeUpTo(end, value.get_data());
    setPosition(end);
    return decoded;
}

bool PERDecoder::do_visit(GeneralizedTime& value) {
    std::uint32_t length;
    if (!decodeLength(0, 0xFFFFFFFFu, length) || getBitsLeft() / 8 < length) return false;
    std::string text(length, '\0');
    return decodeBlock(&text[0], length) && text.find('\0') == std::string::npos &&
           value.set(text.c_str());
}

// Inline: the walk (do_walk) calls it for every SEQUENCE.
inline int PERDecoder::preVisitExtensionRoots(SEQUENCE& value) {
    bool extensions = false;
    if (value.extendable() && !decodeSingleBit(extensions)) return Fail;
    SEQUENCE::BitMap& optionals = value.optionalMap();
    if (!decodeBitMap(optionals.octets(), optionals.size())) return Fail;
    if (!extensions && value.extensionMap().size() != 0) value.extensionMap().resize(0);
    return extensions ? GoOn : NoExtensions;
}

int PERDecoder::preVisitExtensions(SEQUENCE& value) {
    std::uint32_t last;
    if (!decodeSmallUnsigned(last) || last >= MaximumArraySize) return Fail;
    SEQUENCE::BitMap& extensions = value.extensionMap();
    extensions.resize(last + 1);
    return decodeBitMap(extensions.octets(), last + 1) ? GoOn : Fail;
}

int PERDecoder::visitKnownExtension(SEQUENCE& value, int position, int optional) {
    if (!value.hasOptionalField(unsigned(optional))) return GoOn;
    std::uint32_t length;
    if (!decodeOpenTypeLength(length)) return Fail;
    const char* end = position_ + length;
    AbstractData* field = value.ensureField(unsigned(position));
    bool decoded = field && decodeUpTo(end, *field);
    setPosition(end);
    return decoded ? GoOn : Fail;
}

bool PERDecoder::visitUnknownExtensions(SEQUENCE& value) {
    const SEQUENCE::BitMap& extensions = value.extensionMap();
    for (unsigned k = value.extensionCount(); k < extensions.size(); ++k) {
        std::uint32_t length;
        if (!extensions[k]) continue;
        if (!decodeOpenTypeLength(length)) return false;
        setPosition(position_ + length);
    }
    return true;
}

// Inline: the walk (do_walk) calls it for every root field.
inline int PERDecoder::visitExtensionRoot(SEQUENCE& value, int position, int optional) {
    // A root field's optional number lies within the OPTIONAL bits read above.
    if (optional >= 0 && !value.optionalMap()[unsigned(optional)]) return GoOn;
    AbstractData* field = value.ensureField(unsigned(position));
    return field && field->accept(*this) ? GoOn : Fail;
}

bool PERDecoder::do_walk(SEQUENCE& value) { return walkSequence(*this, value); }

}  // namespace ASN1
