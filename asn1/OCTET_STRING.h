// The ASN.1 OCTET STRING value: the octets are the vector itself.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/ConstrainedObject.h"

#include <string>
#include <vector>

namespace ASN1 {

class OCTET_STRING : public ConstrainedObject,
                     public std::vector<char>,
                     public detail::Allocator<OCTET_STRING> {
public:
    explicit OCTET_STRING(const void* info = &theInfo) : ConstrainedObject(info) {}
    OCTET_STRING(unsigned n, char c, const void* info = &theInfo)
        : ConstrainedObject(info), std::vector<char>(n, c) {}
    OCTET_STRING(const std::vector<char>& octets, const void* info = &theInfo)
        : ConstrainedObject(info), std::vector<char>(octets) {}
    OCTET_STRING(const OCTET_STRING&) = default;
    OCTET_STRING& operator=(const OCTET_STRING&) = default;
    static AbstractData* create(const void* info) { return new OCTET_STRING(info); }
    OCTET_STRING* clone() const { return static_cast<OCTET_STRING*>(AbstractData::clone()); }

    OCTET_STRING& operator=(const std::vector<char>& octets) {
        std::vector<char>::operator=(octets);
        return *this;
    }
    operator std::string() const { return std::string(data(), size()); }

    bool isValid() const { return validSize(size(), false); }
    bool isStrictlyValid() const { return validSize(size(), true); }

    static const ConstrainedInfo theInfo;

private:
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;
};

}  // namespace ASN1
