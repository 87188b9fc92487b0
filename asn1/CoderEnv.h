// The environment a message is encoded or decoded in: the encoding rule and the module
// registry. ASN1::encode and ASN1::decode are the entry points every link uses; they hand
// out octets only after the whole encode succeeded.
#pragma once

#include <algorithm>
#include <cstring>
#include <iterator>
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

    // Appends the encoding of `value` under the rule to `out` (an output iterator); false,
    // with nothing written, when the rule is not usable or the value does not encode.
    template <class OutputIterator>
    bool encode(const AbstractData& value, OutputIterator out) const {
        switch (rule_) {
            case per:
                return encodePER(value, out);
            case ber:
                return encodeBER(value, out);
            case avn:
                return encodeAVN(value, out);
            default:
                return false;
        }
    }
    // The same under one rule, whatever the environment's.
    template <class OutputIterator>
    bool encodePER(const AbstractData& value, OutputIterator out) const {
        return encodeWith(&appendPER, value, out);
    }
    template <class OutputIterator>
    bool encodeBER(const AbstractData& value, OutputIterator out) const {
        return encodeWith(&appendBER, value, out);
    }
    template <class OutputIterator>
    bool encodeAVN(const AbstractData& value, OutputIterator out) const {
        return encodeWith(&appendAVN, value, out);
    }

    // Decodes [begin, end) into `value`, made empty of its type by the caller. With
    // `noEnvironment` the decoder is given no environment. Octets after the value are not
    // looked at. On failure `value` may hold part of the input; discard it.
    bool decode(const char* begin, const char* end, AbstractData& value, bool noEnvironment);

private:
    // Each appends the encoding to `octets`, or leaves them as they were and gives false.
    typedef bool (*Append)(const AbstractData& value, std::vector<char>& octets);
    static bool appendPER(const AbstractData& value, std::vector<char>& octets);
    static bool appendBER(const AbstractData& value, std::vector<char>& octets);
    static bool appendAVN(const AbstractData& value, std::vector<char>& octets);

    // Any output: the encoding is made aside and copied out once it is complete.
    template <class OutputIterator>
    static bool encodeWith(Append append, const AbstractData& value, OutputIterator out) {
        std::vector<char> octets;
        if (!append(value, octets)) return false;
        std::copy(octets.begin(), octets.end(), out);
        return true;
    }
    // The links' own output, a vector appended to: the encoder writes straight into it.
    static bool encodeWith(Append append, const AbstractData& value,
                           std::back_insert_iterator<std::vector<char>> out) {
        // The iterator's vector is a protected member; a derived class may name it.
        struct Target : std::back_insert_iterator<std::vector<char>> {
            using std::back_insert_iterator<std::vector<char>>::container;
        };
        return append(value, *(out.*&Target::container));
    }

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
