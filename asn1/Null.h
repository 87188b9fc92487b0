// The ASN.1 NULL value.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/AbstractData.h"

namespace ASN1 {

class Null : public AbstractData, public detail::Allocator<Null> {
public:
    Null() : AbstractData(&theInfo) {}
    explicit Null(const void* info) : AbstractData(info) {}
    static AbstractData* create(const void* info) { return new Null(info); }
    Null* clone() const { return static_cast<Null*>(AbstractData::clone()); }

    static const TypeInfo theInfo;

private:
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;
};

}  // namespace ASN1
