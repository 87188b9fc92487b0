// Decodes values from the packed encoding rules, ALIGNED variant, as PEREncoder writes
// them. Every read is checked against the input: octets a peer sends are either decoded or
// refused, never read beyond, and what they can make the decoder allocate is bounded
// (Limits.h). Open types and extension additions are decoded within their own length.
#pragma once

#include "asn1/Visitor.h"

#include <cstddef>
#include <cstdint>

namespace ASN1 {

class ConstrainedObject;

class PERDecoder : public Visitor {
public:
    // Reads [begin, end) in place; the octets must outlive the decoder.
    PERDecoder(const char* begin, const char* end, CoderEnv* env = nullptr);

    bool atEnd() const { return bitPos_ >= bitEnd_; }
    std::size_t getBitsLeft() const { return bitEnd_ - bitPos_; }
    void byteAlign() { bitPos_ = (bitPos_ + 7) & ~std::size_t(7); }

    // Every read below gives false, having consumed nothing it could not use, when the
    // input holds too few bits or the octets do not form what is read.
    bool decodeSingleBit(bool& bit);
    [[nodiscard]] bool decodeMultiBit(unsigned count, std::uint32_t& value);  // count 0..32
    // `count` bits into octets held as in SEQUENCE::BitMap ((count + 7) / 8 of them; the
    // unused low bits of the last one become 0).
    bool decodeBitMap(char* octets, unsigned count);
    // Aligned octets.
    bool decodeBlock(char* destination, std::size_t count);
    bool decodeSmallUnsigned(std::uint32_t& value);
    // A constrained whole number. The result is not checked against `upper`: a field of
    // 1024 values travels in 16 bits and may carry more.
    bool decodeUnsigned(std::uint32_t lower, std::uint32_t upper, std::uint32_t& value);
    bool decodeLength(std::uint32_t lower, std::uint32_t upper, std::uint32_t& length);
    bool decodeConstrainedLength(const ConstrainedObject& object, std::uint32_t& size);
    // Reads a CHOICE's extension bit and index and selects that alternative (a new initial
    // value unless it is selected already). For an extension alternative its open type is
    // located and skipped, `extension` receiving its octets; an alternative this side does
    // not know leaves the CHOICE not understood (-2), which is no failure.
    struct OpenType {
        std::size_t begin = 0, end = 0;  // octet offsets in the input
    };
    bool decodeChoicePreamle(CHOICE& value, bool& isExtension, OpenType& extension);

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

private:
    bool decodeWholeNumber(std::uint64_t count, std::uint64_t& offset);
    bool decodeSizedLength(const ConstrainedObject& object, std::uint32_t& size, bool& fixed);
    // Locates the length-prefixed open type at the position and moves past it.
    bool skipOpenType(OpenType& open);
    // Decodes `value` from the octets of `open` alone.
    bool decodeWithin(const OpenType& open, AbstractData& value);

    const unsigned char* data_;
    std::size_t bitPos_;  // next bit to read, counted from the first input bit
    std::size_t bitEnd_;
};

}  // namespace ASN1
