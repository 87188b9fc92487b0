// The ASN.1 BIT STRING value: bit i is in octet i / 8 under the mask 0x80 >> (i % 8).
#pragma once

#include "asn1/Allocator.h"
#include "asn1/ConstrainedObject.h"

#include <vector>

namespace ASN1 {

class BIT_STRING : public ConstrainedObject, public detail::Allocator<BIT_STRING> {
public:
    explicit BIT_STRING(const void* info = &theInfo) : ConstrainedObject(info) {}
    static AbstractData* create(const void* info) { return new BIT_STRING(info); }
    BIT_STRING* clone() const { return static_cast<BIT_STRING*>(AbstractData::clone()); }

    unsigned size() const { return bitCount_; }
    bool isValid() const { return validSize(bitCount_, false); }
    bool isStrictlyValid() const { return validSize(bitCount_, true); }
    // Bit i; false beyond the last bit.
    bool operator[](unsigned i) const {
        return i < bitCount_ && (bits_[i / 8] & (0x80 >> (i % 8))) != 0;
    }
    // Sets or clears bit i; nothing beyond the last bit.
    void set(unsigned i, bool bit = true);
    // n bits in (n + 7) / 8 octets; new octets are zero.
    void resize(unsigned n);
    const std::vector<char>& getData() const { return bits_; }
    // The octets, for filling whole octets at once; their count stays (size() + 7) / 8.
    char* octets() { return bits_.data(); }

    static const ConstrainedInfo theInfo;

private:
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;

    unsigned bitCount_ = 0;
    std::vector<char> bits_;
};

}  // namespace ASN1
