// The ASN.1 BOOLEAN value.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/AbstractData.h"

namespace ASN1 {

class BOOLEAN : public AbstractData, public detail::Allocator<BOOLEAN> {
public:
    explicit BOOLEAN(const void* info = &theInfo) : AbstractData(info), value_(false) {}
    BOOLEAN(bool value, const void* info = &theInfo) : AbstractData(info), value_(value) {}
    static AbstractData* create(const void* info) { return new BOOLEAN(info); }
    BOOLEAN* clone() const { return static_cast<BOOLEAN*>(AbstractData::clone()); }

    BOOLEAN& operator=(bool value) {
        value_ = value;
        return *this;
    }
    operator bool() const { return value_; }

    static const TypeInfo theInfo;

private:
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;

    bool value_;
};

}  // namespace ASN1
