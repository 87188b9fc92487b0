#include "asn1/PEREncoder.h"

#include "asn1/ASN1.h"
#include "asn1/CountBits.h"
#include "asn1/Limits.h"
#include "asn1/PerRules.h"
#include "asn1/SequenceWalk.h"

#include <algorithm>

namespace ASN1 {

using per::Unbounded;

PEREncoder::PEREncoder(std::vector<char>& output) : output_(output), bitsLeft_(8) {
    output_.clear();
    if (output_.capacity() == 0) output_.reserve(256);
}

void PEREncoder::encodeLongBitMap(const char* bitmap, unsigned count) {
    if (bitsLeft_ == 8 && count >= 8) {
        output_.insert(output_.end(), bitmap, bitmap + count / 8);
        bitmap += count / 8;
        count %= 8;
    }
    // Up to four octets at a time, from the top of the last one.
    for (; count > 0; bitmap += 4) {
        unsigned take = std::min(count, 32u);
        std::uint32_t bits = 0;
        for (unsigned i = 0; i < (take + 7) / 8; ++i)
            bits |= std::uint32_t(static_cast<unsigned char>(bitmap[i])) << (24 - 8 * i);
        encodeMultiBit(bits >> (32 - take), take);
        count -= take;
    }
}

void PEREncoder::encodeByte(unsigned char octet) {
    byteAlign();
    output_.push_back(char(octet));
}

void PEREncoder::encodeBlock(const char* data, std::size_t count) {
    if (count == 0) return;
    byteAlign();
    output_.insert(output_.end(), data, data + count);
}

void PEREncoder::encodeSmallUnsigned(std::uint32_t n) {
    if (n <= 63) {
        encodeMultiBit(n, 7);
        return;
    }
    encodeSingleBit(true);
    unsigned octets = per::octetsFor(n);
    encodeLength(octets, 0, Unbounded);
    encodeMultiBit(n, 8 * octets);
}

void PEREncoder::encodeLargeWholeNumber(std::uint32_t offset, std::uint32_t span) {
    // The octet count as a bit field, then the octets.
    unsigned maxOctets = (CountBits(span + 1) + 7) / 8;
    unsigned octets = per::octetsFor(offset);
    encodeMultiBit(octets - 1, CountBits(maxOctets));
    byteAlign();
    encodeMultiBit(offset, 8 * octets);
}

bool PEREncoder::encodeUnsigned(std::uint32_t value, std::uint32_t lower, std::uint32_t upper) {
    if (value < lower || value > upper) return false;
    encodeWholeNumber(value - lower, upper - lower);
    return true;
}

bool PEREncoder::encodeLength(std::uint32_t length, std::uint32_t lower, std::uint32_t upper) {
    if (length < lower || length > upper) return false;
    if (upper <= 0xFFFF) return encodeUnsigned(length, lower, upper);
    if (length > 16383) return false;
    byteAlign();
    if (length <= 127)
        encodeMultiBit(length, 8);
    else
        encodeMultiBit(0x8000 | length, 16);
    return true;
}

bool PEREncoder::encodeConstraint(const ConstrainedObject& object, std::int64_t value) {
    if (!object.extendable()) return object.getConstraintType() != FixedConstraint;
    bool outside = value < object.getLowerLimit() || value > object.getUpperLimit();
    encodeSingleBit(outside);
    return outside;
}

bool PEREncoder::encodeConstrainedLength(const ConstrainedObject& object, std::uint32_t size) {
    if (encodeConstraint(object, size)) return encodeLength(size, 0, Unbounded);
    return encodeLength(size, std::uint32_t(object.getLowerLimit()), object.getUpperLimit());
}

bool PEREncoder::encodeAnyType(const AbstractData* value) {
    std::vector<char> inner;
    if (value) {
        PEREncoder nested(inner);
        if (!value->accept(nested)) return false;
    }
    if (inner.empty()) inner.push_back(0);
    if (inner.size() > MaximumStringSize || !encodeLength(unsigned(inner.size()), 0, Unbounded))
        return false;
    encodeBlock(inner.data(), inner.size());
    return true;
}

bool PEREncoder::do_visit(const Null&) { return true; }

bool PEREncoder::do_visit(const BOOLEAN& value) {
    encodeSingleBit(value);
    return true;
}

bool PEREncoder::do_visit(const INTEGER& value) {
    std::int64_t lower = value.getLowerLimit();
    std::int64_t upper = value.getUpperLimit();
    ConstraintType kind = value.getConstraintType();
    std::int32_t v = value.getValue();
    // A range from 0 up holds its numbers as unsigned, one reaching below 0 as signed.
    std::int64_t number = lower >= 0 ? std::int64_t(std::uint32_t(v)) : std::int64_t(v);
    bool bounded = kind == FixedConstraint;
    if (kind == ExtendableConstraint) {
        bounded = number >= lower && number <= upper;
        encodeSingleBit(!bounded);
    }
    if (bounded) {
        if (number < lower || number > upper || upper - lower > 0xFFFFFFFF) return false;
        encodeWholeNumber(std::uint32_t(number - lower), std::uint32_t(upper - lower));
        return true;
    }
    // Without bounds: the value itself, in the fewest two's-complement octets.
    std::uint32_t magnitude = std::uint32_t(v < 0 ? ~v : v);
    unsigned bits = magnitude == 0 ? 1 : 33 - unsigned(__builtin_clz(magnitude));  // with the sign
    unsigned octets = (bits + 7) / 8;
    byteAlign();
    encodeMultiBit(octets, 8);  // the length determinant of 1..4 octets
    encodeMultiBit(std::uint32_t(v), 8 * octets);
    return true;
}

bool PEREncoder::do_visit(const ENUMERATED& value) {
    std::int64_t number = value.asInt();
    std::int64_t maximum = value.getMaximum();
    if (value.extendable()) {
        bool extension = number > maximum;
        encodeSingleBit(extension);
        if (extension) {
            if (number < 0) return false;
            encodeSmallUnsigned(std::uint32_t(number + 1));
            encodeWholeNumber(std::uint32_t(number), std::uint32_t(number));
            return true;
        }
    }
    if (number < 0 || number > maximum) return false;
    encodeWholeNumber(std::uint32_t(number), std::uint32_t(maximum));
    return true;
}

bool PEREncoder::do_visit(const OBJECT_IDENTIFIER& value) {
    std::vector<char> contents;
    if (!value.encodeCommon(contents) || contents.size() > 255) return false;
    encodeLength(unsigned(contents.size()), 0, 255);
    encodeBlock(contents.data(), contents.size());
    return true;
}

bool PEREncoder::do_visit(const BIT_STRING& value) {
    unsigned size = value.size();
    bool outside = value.extendable() &&
                   (size < std::uint32_t(value.getLowerLimit()) || size > value.getUpperLimit());
    if (!encodeConstrainedLength(value, size)) return false;
    if (size == 0) return true;
    if (!per::fixedSize(value, outside) || size > 16) byteAlign();
    encodeBitMap(value.getData().data(), size);
    return true;
}

bool PEREncoder::do_visit(const OCTET_STRING& value) {
    unsigned size = unsigned(value.size());
    bool outside = value.extendable() &&
                   (size < std::uint32_t(value.getLowerLimit()) || size > value.getUpperLimit());
    if (value.size() > 0xFFFFFFFFu || !encodeConstrainedLength(value, size)) return false;
    if (per::fixedSize(value, outside) && size <= 2) {
        for (char octet : value) encodeMultiBit(static_cast<unsigned char>(octet), 8);
    } else {
        encodeBlock(value.data(), size);
    }
    return true;
}

namespace {

// The position of `c` in the kind's alphabet, or -1 when it is not permitted.
int alphabetIndex(const AbstractString& kind, unsigned char c) {
    const unsigned char* set = reinterpret_cast<const unsigned char*>(kind.getCharacterSet());
    const unsigned char* end = set + kind.getCharacterSetSize();
    const unsigned char* it = std::lower_bound(set, end, c);
    return it != end && *it == c ? int(it - set) : -1;
}

}  // namespace

bool PEREncoder::do_visit(const AbstractString& value) {
    unsigned n = unsigned(value.size());
    unsigned bits = value.getNumBits(true);
    if (value.size() > 0xFFFFFFFFu || !encodeConstrainedLength(value, n)) return false;
    if (n == 0) return true;
    if (!per::shortString(value, bits)) {
        if (bits == 8) {
            encodeBlock(value.data(), n);
            return true;
        }
        byteAlign();
    }
    bool byCode = value.getCanonicalSetBits() <= bits && value.getCanonicalSetBits() > 4;
    for (char c : value) {
        unsigned char code = static_cast<unsigned char>(c);
        int index = value.getCharacterSetSize() == 0 ? code : alphabetIndex(value, code);
        if (index < 0) return false;
        encodeMultiBit(byCode ? code : unsigned(index), bits);
    }
    return true;
}

bool PEREncoder::do_visit(const BMPString& value) {
    unsigned n = unsigned(value.size());
    unsigned bits = value.getNumBits(true);
    if (value.size() > 0xFFFFFFFFu || !encodeConstrainedLength(value, n)) return false;
    if (n == 0) return true;
    if (!per::shortString(value, bits)) byteAlign();
    for (wchar_t c : value) {
        unsigned code = unsigned(c);
        if (code < value.getFirstChar() || code > value.getLastChar()) return false;
        encodeMultiBit(code - value.getFirstChar(), bits);
    }
    return true;
}

bool PEREncoder::do_visit(const CHOICE& value) {
    const AbstractData* selection = value.getSelection();
    if (value.currentSelection() < 0 || !selection) return false;
    unsigned index = unsigned(value.currentSelection());
    unsigned roots = value.getNumChoices();
    if (value.extendable()) {
        bool extension = index >= roots;
        encodeSingleBit(extension);
        if (extension) {
            encodeSmallUnsigned(index - roots);
            return encodeAnyType(selection);
        }
    }
    if (index >= roots || (roots > 1 && !encodeUnsigned(index, 0, roots - 1))) return false;
    return selection->accept(*this);
}

bool PEREncoder::do_visit(const OpenData& value) {
    if (value.has_data() || !value.has_buf())
        return encodeAnyType(value.has_data() ? &value.get_data() : nullptr);
    const std::vector<char>& octets = value.get_buf();
    if (octets.empty()) return encodeAnyType(nullptr);
    if (octets.size() > MaximumStringSize || !encodeLength(unsigned(octets.size()), 0, Unbounded))
        return false;
    encodeBlock(octets.data(), octets.size());
    return true;
}

bool PEREncoder::do_visit(const GeneralizedTime& value) {
    std::string text = value.get();
    if (!encodeLength(unsigned(text.size()), 0, 0xFFFFFFFFu)) return false;
    encodeBlock(text.data(), text.size());
    return true;
}

bool PEREncoder::do_visit(const SEQUENCE_OF_Base& value) {
    if (!encodeConstrainedLength(value, value.size())) return false;
    for (const AbstractData* element : value)
        if (!element->accept(*this)) return false;
    return true;
}

// Inline: the walk (do_walk) calls it for every SEQUENCE.
inline bool PEREncoder::preVisitExtensionRoots(const SEQUENCE& value) {
    const SEQUENCE::BitMap& optionals = value.optionalMap();
    unsigned count = optionals.size();
    if (!value.extendable()) {
        encodeBitMap(optionals.octets(), count);
    } else if (count < 8) {
        // The extension bit and up to seven OPTIONAL bits as one field, the common case
        // (~160 instructions less per RTP create than writing them apart).
        std::uint32_t map = static_cast<unsigned char>(optionals.octets()[0]) >> (8 - count);
        encodeMultiBit(std::uint32_t(per::anyExtension(value)) << count | map, count + 1);
    } else {
        encodeSingleBit(per::anyExtension(value));
        encodeBitMap(optionals.octets(), count);
    }
    return true;
}

bool PEREncoder::visitExtensionRoot(const SEQUENCE& value, int position) {
    return value.getField(unsigned(position))->accept(*this);
}

bool PEREncoder::preVisitExtensions(const SEQUENCE& value) {
    if (!per::anyExtension(value)) return true;
    unsigned bits = per::extensionBits(value);
    encodeSmallUnsigned(bits - 1);
    encodeBitMap(value.extensionMap().octets(), bits);
    return true;
}

bool PEREncoder::visitKnownExtension(const SEQUENCE& value, int position) {
    return encodeAnyType(value.getField(unsigned(position)));
}

bool PEREncoder::do_walk(const SEQUENCE& value) { return walkSequence(*this, value); }

}  // namespace ASN1
