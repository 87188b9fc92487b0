// The known-multiplier character string kinds (IA5String and its sisters) and their
// alphabets. A kind differs from another only in its record.
#pragma once

#include "asn1/AbstractString.h"

namespace ASN1 {

// The alphabets, in ascending code order and zero-terminated; take their lengths from the
// records, since IA5StringSet and GeneralStringSet begin with the code 0.
extern const char NumericStringSet[12];
extern const char PrintableStringSet[75];
extern const char VisibleStringSet[96];
extern const char IA5StringSet[129];
extern const char GeneralStringSet[257];

template <class Kind>
class KnownMultiplierString : public AbstractString, public detail::Allocator<Kind> {
public:
    KnownMultiplierString() : AbstractString(&Kind::theInfo) {}
    explicit KnownMultiplierString(const void* info) : AbstractString(info) {}
    KnownMultiplierString(const std::string& text, const void* info = &Kind::theInfo)
        : AbstractString(info, text) {}
    KnownMultiplierString(const char* text, const void* info = &Kind::theInfo)
        : AbstractString(info, text) {}

    Kind& operator=(const std::string& text) {
        assign(text);
        return static_cast<Kind&>(*this);
    }
    Kind& operator=(const char* text) {
        std::string::assign(text);
        return static_cast<Kind&>(*this);
    }
};

class NumericString : public KnownMultiplierString<NumericString> {
public:
    using KnownMultiplierString::KnownMultiplierString;
    using KnownMultiplierString::operator=;
    static const StringInfo theInfo;
};

class PrintableString : public KnownMultiplierString<PrintableString> {
public:
    using KnownMultiplierString::KnownMultiplierString;
    using KnownMultiplierString::operator=;
    static const StringInfo theInfo;
};

class VisibleString : public KnownMultiplierString<VisibleString> {
public:
    using KnownMultiplierString::KnownMultiplierString;
    using KnownMultiplierString::operator=;
    static const StringInfo theInfo;
};

class IA5String : public KnownMultiplierString<IA5String> {
public:
    using KnownMultiplierString::KnownMultiplierString;
    using KnownMultiplierString::operator=;
    static const StringInfo theInfo;
};

class GeneralString : public KnownMultiplierString<GeneralString> {
public:
    using KnownMultiplierString::KnownMultiplierString;
    using KnownMultiplierString::operator=;
    static const StringInfo theInfo;
};

}  // namespace ASN1
