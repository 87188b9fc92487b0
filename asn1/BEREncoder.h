// Encodes any value in the basic encoding rules (X.690): identifier, definite length and
// contents octets for every value. A SEQUENCE field or CHOICE alternative carries the
// context tag of its position in place of its type's own tag; a CHOICE or open type that
// gets a tag is wrapped in a constructed element of that tag (explicit tagging).
#pragma once

#include "asn1/ConstVisitor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ASN1 {

class BEREncoder : public ConstVisitor {
public:
    // Empties `output` and appends the encoding to it; a vector without room is given 256
    // octets, one with room keeps it.
    explicit BEREncoder(std::vector<char>& output);

    // The identifier and length octets of `value`, under the tag set for it (by the
    // enclosing SEQUENCE or CHOICE) or else its own.
    void encodeHeader(const AbstractData& value);
    void encodeByte(unsigned octet) { output_.push_back(char(octet)); }
    void encodeBlock(const char* data, std::size_t count) {
        output_.insert(output_.end(), data, data + count);
    }

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
    bool visitKnownExtension(const SEQUENCE& value, int position) override;

private:
    // The tag set for the next value, or its own; either way the setting is used up.
    unsigned takeTag(const AbstractData& value);
    void encodeIdentifier(unsigned tag, bool constructed);
    void encodeLength(unsigned length);
    void encodeNumber(std::int64_t number);

    std::vector<char>& output_;
    unsigned tag_;  // the tag of the next value; ber::OwnTag: its own
};

}  // namespace ASN1
