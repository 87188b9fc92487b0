// The environment a message is encoded or decoded in: the encoding rule and the module
// registry. ASN1::encode and ASN1::decode are the entry points every link uses; they hand
// out octets only after the whole encode succeeded.
#pragma once

#include <algorithm>
#include <cstring>
#include <loki/AssocVector.h>
#include <vector>

namespace ASN1 {

class AbstractData;
struct Module;  // a module descriptor; the registry only points at them

class CoderEnv {
public:
    enum EncodingRules {
        avn = 0,  // ASN.1 value notation (text)
        ber = 1,  // basic encoding rules
        per = 2,  // packed encoding rules, ALIGNED
        invalidRule = -1
    };

    // Module names compare as texts, not as pointers.
    struct StringListeralCmp {
        typedef const char* first_argument_type;
        typedef const char* second_argument_type;
        typedef bool result_type;
        bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) < 0; }
    };
    typedef Loki::AssocVector<const char*, Module*, StringListeralCmp> ModuleRegistry;

    EncodingRules get_encodingRule() const { return rule_; }
    void set_encodingRule(EncodingRules rule) { rule_ = rule; }
    ModuleRegistry& modules() { return modules_; }

    // Appends the encoding of `value` to `out` (an output iterator); false, with nothing
    // written, when the rule is not usable or the value does not encode.
    template <class OutputIterator>
    bool encode(const AbstractData& value, OutputIterator out) const {
        std::vector<char> octets;
        if (!encodeInto(value, octets)) return false;
        std::copy(octets.begin(), octets.end(), out);
        return true;
    }

    // Decodes [begin, end) into `value`, made empty of its type by the caller. With
    // `noEnvironment` the decoder is given no environment. Octets after the value are not
    // looked at. On failure `value` may hold part of the input; discard it.
    bool decode(const char* begin, const char* end, AbstractData& value, bool noEnvironment);

private:
    // Replaces `octets` with the encoding; false when there is none.
    bool encodeInto(const AbstractData& value, std::vector<char>& octets) const;

    EncodingRules rule_ = invalidRule;
    ModuleRegistry modules_;
};

template <class OutputIterator>
bool encode(const AbstractData& value, const CoderEnv* env, OutputIterator out) {
    return env->encode(value, out);
}

inline bool decode(const char* begin, const char* end, CoderEnv* env, AbstractData& value,
                   bool noEnvironment) {
    return env->decode(begin, end, value, noEnvironment);
}

}  // namespace ASN1
