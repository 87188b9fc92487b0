// Decodes values from the packed encoding rules, ALIGNED variant, as PEREncoder writes
// them. Every read is checked against the input: octets a peer sends are either decoded or
// refused, never read beyond, and what they can make the decoder allocate is bounded
// (Limits.h). Open types and extension additions are decoded within their own length.
#pragma once

#include "asn1/CountBits.h"
#include "asn1/Visitor.h"

#include <cstddef>
#include <cstdint>

namespace ASN1 {

class ConstrainedObject;

class PERDecoder final : public Visitor {
public:
    // A saved read position; a null position holds nothing to go back to.
    struct memento_type {
        const char* position = nullptr;
        std::uint32_t bitsLeft = 8;
    };

    // Reads [begin, end) in place; the octets must outlive the decoder.
    PERDecoder(const char* begin, const char* end, CoderEnv* env = nullptr);

    bool atEnd() const { return position_ >= end_; }
    std::size_t getBitsLeft() const {
        return atEnd() ? 0 : std::size_t(end_ - position_) * 8 + bitsLeft_ - 8;
    }
    void byteAlign() {
        if (bitsLeft_ == 8) return;
        bitsLeft_ = 8;
        ++position_;
    }
    // The read goes on at the first bit of the octet at `position`, never beyond the end.
    void setPosition(const char* position);
    // Back (or on) to a saved position; nothing happens for an empty memento.
    void rollback(const memento_type& memento);

    // Every read below gives false, having consumed nothing it could not use, when the
    // input holds too few bits or the octets do not form what is read.
    bool decodeSingleBit(bool& bit) {
        if (atEnd()) return false;
        --bitsLeft_;
        bit = (static_cast<unsigned char>(*position_) >> bitsLeft_) & 1;
        if (bitsLeft_ == 0) {
            bitsLeft_ = 8;
            ++position_;
        }
        return true;
    }
    // count 0..32. Inline, as the bit writer is: every field the codec reads passes here.
    [[nodiscard]] bool decodeMultiBit(unsigned count, std::uint32_t& value) {
        unsigned have = bitsLeft_;
        if (count < have && position_ < end_) {
            // Most fields lie within the open octet.
            bitsLeft_ = have - count;
            value = (static_cast<unsigned char>(*position_) >> bitsLeft_) & ((1u << count) - 1);
            return true;
        }
        if (count > 32 || getBitsLeft() < count) return false;
        if (count == 0) {  // at the end of the input
            value = 0;
            return true;
        }
        // The unread bits of the open octet, then whole octets until the field is covered.
        std::uint64_t bits = static_cast<unsigned char>(*position_) & ((1u << have) - 1);
        ++position_;
        for (; have < count; have += 8) bits = bits << 8 | static_cast<unsigned char>(*position_++);
        unsigned spare = have - count;  // bits of the last octet read that the next field takes
        value = std::uint32_t(bits >> spare);
        if (spare != 0) {
            --position_;
            bitsLeft_ = spare;
        } else {
            bitsLeft_ = 8;
        }
        return true;
    }
    // `count` bits into octets held as in SEQUENCE::BitMap ((count + 7) / 8 of them; the
    // unused low bits of the last one become 0).
    bool decodeBitMap(char* octets, unsigned count) {
        // Most bitmaps (a SEQUENCE's OPTIONAL fields) are empty or fit one octet.
        if (count == 0) return true;
        if (count > 8) return decodeLongBitMap(octets, count);
        std::uint32_t bits;
        if (!decodeMultiBit(count, bits)) return false;
        octets[0] = char(bits << (8 - count));
        return true;
    }
    // Aligned octets.
    bool decodeBlock(char* destination, std::size_t count);
    bool decodeSmallUnsigned(std::uint32_t& value);
    // A constrained whole number. The result is not checked against `upper`: a field of
    // 1024 values travels in 16 bits and may carry more.
    bool decodeUnsigned(std::uint32_t lower, std::uint32_t upper, std::uint32_t& value);
    bool decodeLength(std::uint32_t lower, std::uint32_t upper, std::uint32_t& length);
    bool decodeConstrainedLength(const ConstrainedObject& object, std::uint32_t& size);
    // Reads a CHOICE's extension bit and index and selects that alternative (a new initial
    // value unless it is selected already); true when one is selected. For an extension
    // alternative `after` receives the end of its open type. An extension alternative this
    // side does not know leaves the CHOICE not understood (-2), to be skipped.
    bool decodeChoicePreamle(CHOICE& value, memento_type& after);

protected:
    bool do_visit(Null& value) override;
    bool do_visit(BOOLEAN& value) override;
    bool do_visit(INTEGER& value) override;
    bool do_visit(ENUMERATED& value) override;
    bool do_visit(OBJECT_IDENTIFIER& value) override;
    bool do_visit(OCTET_STRING& value) override;
    bool do_visit(BIT_STRING& value) override;
    bool do_visit(AbstractString& value) override;
    bool do_visit(BMPString& value) override;
    bool do_visit(CHOICE& value) override;
    bool do_visit(SEQUENCE_OF_Base& value) override;
    bool do_visit(OpenData& value) override;
    bool do_revisit(OpenData& value) override;
    bool do_visit(TypeConstrainedOpenData& value) override;
    bool do_visit(GeneralizedTime& value) override;

    int preVisitExtensionRoots(SEQUENCE& value) override;
    int visitExtensionRoot(SEQUENCE& value, int position, int optional) override;
    int preVisitExtensions(SEQUENCE& value) override;
    int visitKnownExtension(SEQUENCE& value, int position, int optional) override;
    bool visitUnknownExtensions(SEQUENCE& value) override;
    // The walk compiled against the hooks above.
    bool do_walk(SEQUENCE& value) override;
    template <class V>
    friend bool walkSequence(V& visitor, SEQUENCE& value);

private:
    // offset within `count` values, 1 <= count <= 2^32.
    bool decodeWholeNumber(std::uint64_t count, std::uint64_t& offset) {
        if (count > 255) return decodeWideWholeNumber(count, offset);
        std::uint32_t bits;
        if (!decodeMultiBit(CountBits(std::uint32_t(count)), bits)) return false;
        offset = bits;
        return true;
    }
    bool decodeWideWholeNumber(std::uint64_t count, std::uint64_t& offset);
    bool decodeLongBitMap(char* octets, unsigned count);
    bool decodeSizedLength(const ConstrainedObject& object, std::uint32_t& size, bool& fixed);
    // The length of an open type at the position; false when its octets are not all there.
    bool decodeOpenTypeLength(std::uint32_t& length);
    // Decodes `value` in place from the octets up to `stop` alone: a value that would read
    // beyond them fails. The position is left wherever the value ended.
    bool decodeUpTo(const char* stop, AbstractData& value);

    const char* position_;
    const char* end_;
    unsigned bitsLeft_;  // unread bits of the octet at position_, 1..8
};

}  // namespace ASN1
