// Decodes values from the basic encoding rules (X.690), definite length form, as
// BEREncoder writes them. Every element is read within the one that encloses it: a length
// reaching past the enclosing end is refused, as are the indefinite length form, more
// than four length octets, tag numbers above 65535 and a form (primitive or constructed)
// other than the type's. What a peer's octets can make the decoder allocate is bounded by
// the input and by Limits.h.
#pragma once

#include "asn1/Visitor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ASN1 {

class BERDecoder : public Visitor {
public:
    // Reads [begin, end) in place; the octets must outlive the decoder.
    BERDecoder(const char* begin, const char* end, CoderEnv* env = nullptr);

    // At the end of the innermost element being read (at the outermost level: the input).
    bool atEnd() const { return position_ >= limit(); }
    const char* getPosition() const { return position_; }
    void rollback(const char* position) { position_ = position; }
    bool decodeByte(unsigned& octet);
    // All `count` octets, or false with nothing read.
    bool decodeBlock(char* destination, std::size_t count);

    // Identifier and length octets. The tag word holds the class bits of the first octet
    // in bits 16 to 23 and the number in bits 0 to 15.
    bool decodeHeader(unsigned& tag, bool& primitive, unsigned& length);
    // The header of `value`: the tag set for it by its SEQUENCE or CHOICE, or else its own,
    // and its type's form. On a mismatch the position stays where it was.
    bool decodeHeader(AbstractData& value, unsigned& length);
    // Looks at the next header (without consuming it), selects the alternative of its tag
    // and sets `end` to where that alternative's encoding ends.
    bool decodeChoicePreamle(CHOICE& value, const char*& end);

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
    int visitKnownExtension(SEQUENCE& value, int position, int optional) override;
    bool visitUnknownExtensions(SEQUENCE& value) override;

private:
    const char* limit() const { return ends_.empty() ? end_ : ends_.back(); }
    // The tag set for the next value, or its own; either way the setting is used up.
    unsigned takeTag(const AbstractData& value);
    // The header of `value`, then its contents are skipped and handed out.
    bool decodeContents(AbstractData& value, const char*& contents, unsigned& length);
    // The contents of an INTEGER or ENUMERATED: 1 to 5 octets, minimal (X.690 8.3.2).
    bool decodeNumber(AbstractData& value, std::int64_t& number);
    // The constructed header of an explicit `tag`; what follows is bounded by its contents.
    bool enterExplicit(unsigned tag);
    // True when the value inside used the explicit tag's contents exactly.
    bool leaveExplicit();

    const char* position_;
    const char* end_;
    // For each constructed element being read, where its contents end; innermost last.
    std::vector<const char*> ends_;
    // The tag waiver: the tag the next header carries in place of its value's own
    // (ber::OwnTag: none). Set for one SEQUENCE field or CHOICE alternative, used up by the
    // next header read for a value.
    unsigned waiver_;
};

}  // namespace ASN1
