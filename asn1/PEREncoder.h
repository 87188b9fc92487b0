// Encodes any value in the packed encoding rules, ALIGNED variant (X.691), with the wire
// forms the controller link depends on where they differ from X.691: ENUMERATED by its
// number, a lower-bound-only INTEGER written as its value, the extension bitmap sized from
// the value, the one-octet OBJECT IDENTIFIER count.
#pragma once

#include "asn1/ConstVisitor.h"
#include "asn1/CountBits.h"

#include <cstdint>
#include <vector>

namespace ASN1 {

class ConstrainedObject;

class PEREncoder final : public ConstVisitor {
public:
    // Empties `output` and appends the encoding to it; a vector without room is given 256
    // octets, one with room keeps it.
    explicit PEREncoder(std::vector<char>& output);

    // Closes the open octet (its unused low bits stay 0).
    void byteAlign() { bitsLeft_ = 8; }
    void encodeSingleBit(bool bit) {
        if (bitsLeft_ == 8) output_.push_back(0);
        --bitsLeft_;
        if (bit) output_.back() |= char(1u << bitsLeft_);
        if (bitsLeft_ == 0) bitsLeft_ = 8;
    }
    // The low `count` bits of `value` (count 0..32), most significant first. Inline, as
    // the bit reader is: every field the codec writes passes here. The open octet and the
    // new bits are lined up in one 64-bit word and written out octet by octet, one path for
    // every case, so that the callers that inline it stay small.
    void encodeMultiBit(std::uint32_t value, unsigned count) {
        if (count == 0) return;
        unsigned used = 8 - bitsLeft_;  // bits of the open octet, 0..7
        std::uint64_t word = (std::uint64_t(value) << (64 - count)) >> used;
        unsigned total = used + count;
        if (used != 0) {
            word |= std::uint64_t(static_cast<unsigned char>(output_.back())) << 56;
            output_.back() = char(word >> 56);
        } else {
            output_.push_back(char(word >> 56));
        }
        for (unsigned shift = 48; total > 8; total -= 8, shift -= 8)
            output_.push_back(char(word >> shift));
        bitsLeft_ = 8 - total % 8;
    }
    // The first `count` bits of a bitmap held as in SEQUENCE::BitMap; no alignment.
    void encodeBitMap(const char* bitmap, unsigned count) {
        if (count > 8) return encodeLongBitMap(bitmap, count);
        encodeMultiBit(static_cast<unsigned char>(bitmap[0]) >> (8 - count), count);
    }
    void encodeByte(unsigned char octet);
    // Aligned octets; nothing at all (not even the alignment) for none.
    void encodeBlock(const char* data, std::size_t count);
    // A normally small non-negative whole number.
    void encodeSmallUnsigned(std::uint32_t n);
    // A constrained whole number: value - lower within upper - lower + 1 values.
    bool encodeUnsigned(std::uint32_t value, std::uint32_t lower, std::uint32_t upper);
    // A length determinant; false outside [lower, upper] and for an unconstrained length
    // above 16383 (lengths are never fragmented).
    bool encodeLength(std::uint32_t length, std::uint32_t lower, std::uint32_t upper);
    // The extension bit of an extensible constraint, for `value`; true when the value is
    // then coded without the bounds.
    bool encodeConstraint(const ConstrainedObject& object, std::int64_t value);
    // The size of a string, BIT STRING, OCTET STRING or SEQUENCE OF under its constraint.
    bool encodeConstrainedLength(const ConstrainedObject& object, std::uint32_t size);
    // `value` as an open type: its own complete encoding, preceded by the octet count.
    bool encodeAnyType(const AbstractData* value);

protected:
    bool do_visit(const Null& value) override;
    bool do_visit(const BOOLEAN& value) override;
    bool do_visit(const INTEGER& value) override;
    bool do_visit(const ENUMERATED& value) override;
    bool do_visit(const OBJECT_IDENTIFIER& value) override;
    bool do_visit(const BIT_STRING& value) override;
    bool do_visit(const OCTET_STRING& value) override;
    bool do_visit(const AbstractString& value) override;
    bool do_visit(const BMPString& value) override;
    bool do_visit(const CHOICE& value) override;
    bool do_visit(const OpenData& value) override;
    bool do_visit(const GeneralizedTime& value) override;
    bool do_visit(const SEQUENCE_OF_Base& value) override;

    bool preVisitExtensionRoots(const SEQUENCE& value) override;
    bool visitExtensionRoot(const SEQUENCE& value, int position) override;
    bool preVisitExtensions(const SEQUENCE& value) override;
    bool visitKnownExtension(const SEQUENCE& value, int position) override;
    // The walk compiled against the hooks above.
    bool do_walk(const SEQUENCE& value) override;
    template <class V>
    friend bool walkSequence(V& visitor, const SEQUENCE& value);

private:
    // `offset` within span + 1 values (the whole 32-bit range for a span of 2^32 - 1). The
    // ranges up to 65536 values take a single bit field here, inline: a call per number
    // cost ~300 of the ~11,000 instructions of a fully populated RTP create.
    void encodeWholeNumber(std::uint32_t offset, std::uint32_t span) {
        if (span > 0xFFFF) return encodeLargeWholeNumber(offset, span);
        if (span >= 255) byteAlign();
        encodeMultiBit(offset, span < 255 ? CountBits(span + 1) : span == 255 ? 8 : 16);
    }
    void encodeLargeWholeNumber(std::uint32_t offset, std::uint32_t span);
    void encodeLongBitMap(const char* bitmap, unsigned count);

    std::vector<char>& output_;
    unsigned bitsLeft_;  // free bits in the last octet, 1..8; 8: no octet is open
};

}  // namespace ASN1
