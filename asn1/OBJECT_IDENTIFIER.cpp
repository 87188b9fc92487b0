#include "asn1/OBJECT_IDENTIFIER.h"

#include "asn1/Compare.h"
#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

namespace ASN1 {

HALVOX_CONSTINIT const TypeInfo OBJECT_IDENTIFIER::theInfo = {&OBJECT_IDENTIFIER::create, 6};

namespace {

void appendSubidentifier(std::vector<char>& octets, unsigned v) {
    int shift = 28;
    while (shift > 0 && (v >> shift) == 0) shift -= 7;
    for (; shift > 0; shift -= 7) octets.push_back(char(0x80 | ((v >> shift) & 0x7F)));
    octets.push_back(char(v & 0x7F));
}

}  // namespace

bool OBJECT_IDENTIFIER::encodeCommon(std::vector<char>& out) const {
    if (arcs_.size() < 2) return false;
    unsigned first = arcs_[0], second = arcs_[1];
    if (first > 2 || (first < 2 && second > 39) || second > 0xFFFFFFFFu - first * 40) return false;
    std::vector<char> octets;
    octets.reserve(arcs_.size());
    appendSubidentifier(octets, first * 40 + second);
    for (std::size_t i = 2; i < arcs_.size(); ++i) appendSubidentifier(octets, arcs_[i]);
    out.insert(out.begin(), octets.begin(), octets.end());
    return true;
}

bool OBJECT_IDENTIFIER::decodeCommon(const char* data, unsigned length) {
    arcs_.clear();
    if (length == 0) return false;
    arcs_.push_back(0);  // arc 0 comes from the first subidentifier
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    const unsigned char* end = p + length;
    while (p != end) {
        if (*p == 0x80) return false;
        unsigned v = 0;
        for (;;) {
            if (v > (0xFFFFFFFFu >> 7)) return false;
            v = (v << 7) | (*p & 0x7F);
            if ((*p++ & 0x80) == 0) break;
            if (p == end) return false;
        }
        arcs_.push_back(v);
    }
    unsigned v = arcs_[1];
    arcs_[0] = v < 40 ? 0 : v < 80 ? 1 : 2;
    arcs_[1] = v - arcs_[0] * 40;
    return true;
}

int OBJECT_IDENTIFIER::do_compare(const AbstractData& other) const {
    const OBJECT_IDENTIFIER* that = dynamic_cast<const OBJECT_IDENTIFIER*>(&other);
    if (!that) return mismatch(other);
    for (std::size_t i = 0; i < arcs_.size() && i < that->arcs_.size(); ++i)
        if (arcs_[i] != that->arcs_[i]) return compareNumbers(arcs_[i], that->arcs_[i]);
    return compareNumbers(arcs_.size(), that->arcs_.size());
}

AbstractData* OBJECT_IDENTIFIER::do_clone() const { return new OBJECT_IDENTIFIER(*this); }
bool OBJECT_IDENTIFIER::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool OBJECT_IDENTIFIER::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
