#include "asn1/BIT_STRING.h"

#include "asn1/Compare.h"
#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

namespace ASN1 {

HALVOX_CONSTINIT const ConstrainedInfo BIT_STRING::theInfo = {
    {&BIT_STRING::create, 3}, Unconstrained, 0, 0xFFFFFFFFu};

void BIT_STRING::set(unsigned i, bool bit) {
    if (i >= bitCount_) return;
    char mask = char(0x80 >> (i % 8));
    if (bit)
        bits_[i / 8] |= mask;
    else
        bits_[i / 8] &= char(~mask);
}

void BIT_STRING::resize(unsigned n) {
    bits_.resize((std::size_t(n) + 7) / 8, 0);
    bitCount_ = n;
}

int BIT_STRING::do_compare(const AbstractData& other) const {
    const BIT_STRING* that = dynamic_cast<const BIT_STRING*>(&other);
    if (!that) return mismatch(other);
    for (std::size_t i = 0; i < bits_.size() && i < that->bits_.size(); ++i) {
        unsigned char mine = bits_[i], theirs = that->bits_[i];
        unsigned char differ = mine ^ theirs;
        if (differ) return int(mine & differ) - int(theirs & differ);
    }
    return compareNumbers(bitCount_, that->bitCount_);
}

AbstractData* BIT_STRING::do_clone() const { return new BIT_STRING(*this); }
bool BIT_STRING::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool BIT_STRING::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
