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

namespace {

// An encoder empties the vector it writes into: octets a caller already holds wait aside.
template <class Encoder>
bool appendEncoding(const AbstractData& value, std::vector<char>& octets) {
    if (!octets.empty()) {
        std::vector<char> encoding;
        if (!appendEncoding<Encoder>(value, encoding)) return false;
        octets.insert(octets.end(), encoding.begin(), encoding.end());
        return true;
    }
    Encoder encoder(octets);
    if (value.accept(encoder)) return true;
    octets.clear();
    return false;
}

}  // namespace

bool CoderEnv::appendPER(const AbstractData& value, std::vector<char>& octets) {
    return appendEncoding<PEREncoder>(value, octets);
}

bool CoderEnv::appendBER(const AbstractData& value, std::vector<char>& octets) {
    return appendEncoding<BEREncoder>(value, octets);
}

bool CoderEnv::appendAVN(const AbstractData& value, std::vector<char>& octets) {
    std::ostringstream text;
    AVNEncoder writer(text);
    if (!value.accept(writer) || !writer.printable()) return false;
    const std::string& s = text.str();
    octets.insert(octets.end(), s.begin(), s.end());
    return true;
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
