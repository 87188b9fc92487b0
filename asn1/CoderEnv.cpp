#include "asn1/CoderEnv.h"

#include "asn1/AbstractData.h"
#include "asn1/AVNEncoder.h"
#include "asn1/PERDecoder.h"
#include "asn1/PEREncoder.h"

#include <sstream>

namespace ASN1 {

bool CoderEnv::encodeInto(const AbstractData& value, std::vector<char>& octets) const {
    switch (rule_) {
        case per: {
            PEREncoder encoder(octets);
            if (!value.accept(encoder)) return false;
            break;
        }
        case avn: {
            std::ostringstream text;
            AVNEncoder writer(text);
            if (!value.accept(writer) || !writer.printable()) return false;
            std::string s = text.str();
            octets.assign(s.begin(), s.end());
            return true;
        }
        default:  // BER is not available yet; any other rule is no rule
            return false;
    }
    return true;
}

bool CoderEnv::decode(const char* begin, const char* end, AbstractData& value, bool noEnvironment) {
    if (rule_ != per || end < begin) return false;  // the only rule with a decoder yet
    PERDecoder decoder(begin, end, noEnvironment ? nullptr : this);
    return value.accept(decoder);
}

}  // namespace ASN1
