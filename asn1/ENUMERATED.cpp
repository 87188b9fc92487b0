#include "asn1/ENUMERATED.h"

#include "asn1/Compare.h"
#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

#include <cstring>

namespace ASN1 {

const char* ENUMERATED::getName() const {
    for (unsigned i = 0; i < record().count; ++i)
        if (record().numbers[i] == value_) return record().names[i];
    return nullptr;
}

bool ENUMERATED::setFromName(const std::string& name) {
    for (unsigned i = 0; i < record().count; ++i) {
        const char* text = record().names[i];
        if (name.compare(0, std::string::npos, text, std::strcspn(text, "=")) == 0) {
            value_ = record().numbers[i];
            return true;
        }
    }
    value_ = record().maximum + 1;
    return false;
}

int ENUMERATED::do_compare(const AbstractData& other) const {
    const ENUMERATED* that = dynamic_cast<const ENUMERATED*>(&other);
    if (!that) return mismatch(other);
    return compareNumbers(value_, that->value_);
}

AbstractData* ENUMERATED::do_clone() const { return new ENUMERATED(*this); }
bool ENUMERATED::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool ENUMERATED::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
