#include "asn1/IntegerWithNamedNumber.h"

#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

#include <algorithm>

namespace ASN1 {

bool IntegerWithNamedNumber::getName(std::string& name) const {
    const NameEntry* end = record().names + record().count;
    const NameEntry* it =
        std::lower_bound(record().names, end, getValue(),
                         [](const NameEntry& entry, int value) { return entry.value < value; });
    if (it == end || it->value != getValue()) return false;
    name = it->name;
    return true;
}

bool IntegerWithNamedNumber::setFromName(const std::string& name) {
    for (unsigned i = 0; i < record().count; ++i) {
        if (name == record().names[i].name) {
            setValue(record().names[i].value);
            return true;
        }
    }
    return false;
}

bool IntegerWithNamedNumber::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool IntegerWithNamedNumber::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
