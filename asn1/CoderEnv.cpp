#include "asn1/CoderEnv.h"

#include "asn1/AbstractData.h"
#include "asn1/AVNDecoder.h"
#include "asn1/AVNEncoder.h"
#include "asn1/BERDecoder.h"
#include "asn1/BEREncoder.h"
#include "asn1/PERDecoder.h"
#include "asn1/PEREncoder.h"

#include <sstream>

namespace ASN1 {

bool CoderEnv::encodeInto(const AbstractData& value, std::vector<char>& octets) const {
    switch (rule_) {
        case per: {
            PEREncoder encoder(octets);
            return value.accept(encoder);
        }
        case ber: {
            BEREncoder encoder(octets);
            return value.accept(encoder);
        }
        case avn: {
            std::ostringstream text;
            AVNEncoder writer(text);
            if (!value.accept(writer) || !writer.printable()) return false;
            std::string s = text.str();
            octets.assign(s.begin(), s.end());
            return true;
        }
        default:
            return false;
    }
}

bool CoderEnv::decode(const char* begin, const char* end, AbstractData& value, bool noEnvironment) {
    if (end < begin) return false;
    switch (rule_) {
        case per: {
            PERDecoder decoder(begin, end, noEnvironment ? nullptr : this);
            return value.accept(decoder);
        }
        case ber: {
            BERDecoder decoder(begin, end, noEnvironment ? nullptr : this);
            return value.accept(decoder);
        }
        case avn: {
            // The text reader never takes an environment.
            std::istringstream text(std::string(begin, end));
            AVNDecoder reader(text);
            return value.accept(reader);
        }
        default:
            return false;
    }
}

}  // namespace ASN1
