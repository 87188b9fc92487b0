// Counts the contents octets of a value's BER encoding, so that the encoder can write a
// length before the contents it describes.
#pragma once

#include "asn1/ConstVisitor.h"

namespace ASN1 {

class DataLengthCounter : public ConstVisitor {
public:
    unsigned getDataLen() const { return length_; }
    // Identifier octets for `tag`, length octets for the count, and the count.
    unsigned getObjectLen(unsigned tag) const;

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
    bool add(unsigned octets);

    unsigned length_ = 0;
};

// The fewest octets (1 to 4) that hold `value` in two's complement with its sign bit.
unsigned getIntegerDataLength(int value);
// The number of contents octets of `value`.
unsigned getDataLength(const AbstractData& value);
// The whole encoding of `value` under `tag`: identifier, length and contents octets; for
// tag 0 (a CHOICE or open type without a tag) the contents alone.
unsigned getObjectLength(const AbstractData& value, unsigned tag);

}  // namespace ASN1
