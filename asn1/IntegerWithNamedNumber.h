// An INTEGER whose record names some of its values; printed by name where one exists.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/INTEGER.h"

#include <string>

namespace ASN1 {

class IntegerWithNamedNumber : public INTEGER, public detail::Allocator<IntegerWithNamedNumber> {
public:
    explicit IntegerWithNamedNumber(const void* info) : INTEGER(info) {}
    IntegerWithNamedNumber(int value, const void* info) : INTEGER(value, info) {}
    static AbstractData* create(const void* info) { return new IntegerWithNamedNumber(info); }

    // The name of the current value; false (and `name` untouched) when it has none.
    bool getName(std::string& name) const;
    // The value of the first entry named `name`; false (value untouched) when none is.
    bool setFromName(const std::string& name);

private:
    const NamedNumberInfo& record() const { return *static_cast<const NamedNumberInfo*>(info()); }
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;
};

}  // namespace ASN1
