#include "asn1/AbstractData.h"

#include "asn1/AVNDecoder.h"
#include "asn1/AVNEncoder.h"
#include "asn1/IOWrapper.h"
#include "asn1/ValidChecker.h"

#include <functional>
#include <sstream>
#include <typeinfo>

namespace ASN1 {

int AbstractData::mismatch(const AbstractData& other) const {
    if (info_ != other.info_) return std::less<const void*>()(info_, other.info_) ? -1 : 1;
    return typeid(*this).before(typeid(other)) ? -1 : 1;
}

std::ios_base::iostate AbstractData::print_on(std::ostream& os) const {
    AVNEncoder writer(os);
    return accept(writer) ? std::ios_base::goodbit : std::ios_base::failbit;
}

std::string AbstractData::asValueNotation() const {
    std::ostringstream os;
    AVNEncoder writer(os);
    accept(writer);
    return os.str();
}

std::ios_base::iostate AbstractData::get_from(std::istream& is) {
    AVNDecoder reader(is);
    return accept(reader) ? std::ios_base::goodbit : std::ios_base::failbit;
}

bool AbstractData::setFromValueNotation(const std::string& text) {
    std::istringstream is(text);
    AVNDecoder reader(is);
    return accept(reader);
}

bool AbstractData::isValid() const {
    ValidChecker checker;
    return accept(checker);
}

bool AbstractData::isStrictlyValid() const {
    StrictlyValidChecker checker;
    return accept(checker);
}

std::ostream& operator<<(std::ostream& os, const AbstractData& value) {
    return g_inserter(os, value);
}

std::istream& operator>>(std::istream& is, AbstractData& value) { return g_extractor(is, value); }

}  // namespace ASN1
