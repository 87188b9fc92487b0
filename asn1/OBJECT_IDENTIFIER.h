// The ASN.1 OBJECT IDENTIFIER value: a list of unsigned 32-bit arcs.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/AbstractData.h"

#include <vector>

namespace ASN1 {

class OBJECT_IDENTIFIER : public AbstractData, public detail::Allocator<OBJECT_IDENTIFIER> {
public:
    explicit OBJECT_IDENTIFIER(const void* info = &theInfo) : AbstractData(info) {}
    static AbstractData* create(const void* info) { return new OBJECT_IDENTIFIER(info); }
    OBJECT_IDENTIFIER* clone() const {
        return static_cast<OBJECT_IDENTIFIER*>(AbstractData::clone());
    }

    unsigned levels() const { return unsigned(arcs_.size()); }
    unsigned operator[](unsigned i) const { return arcs_[i]; }
    void append(unsigned arc) { arcs_.push_back(arc); }
    // An identifier has two arcs at least: the first two make its first subidentifier.
    bool isValid() const { return arcs_.size() >= 2; }
    bool isStrictlyValid() const { return isValid(); }

    // The contents octets (X.690 subidentifiers), inserted at the front of `out`. False,
    // with `out` untouched, for fewer than two arcs, a first pair that is no identifier
    // (arc 0 above 2, arc 1 above 39 under arc 0 or 1) or whose subidentifier
    // arc0 * 40 + arc1 overflows 32 bits.
    bool encodeCommon(std::vector<char>& out) const;
    // Rebuilds the arcs from contents octets. False for no octets, octets that end inside
    // a subidentifier, a subidentifier that starts with 0x80 (not minimal) or does not fit
    // 32 bits (more than 5 octets included).
    bool decodeCommon(const char* data, unsigned length);

    static const TypeInfo theInfo;

private:
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;

    std::vector<unsigned> arcs_;
};

}  // namespace ASN1
