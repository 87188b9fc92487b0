// Restricted character strings: the characters are the string itself, one octet each;
// the record gives the permitted characters and the bits one character takes on the wire.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/ConstrainedObject.h"

#include <iosfwd>
#include <string>

namespace ASN1 {

class AbstractString : public ConstrainedObject,
                       public std::string,
                       public detail::Allocator<AbstractString> {
public:
    explicit AbstractString(const void* info) : ConstrainedObject(info) {}
    AbstractString(const void* info, const std::string& text)
        : ConstrainedObject(info), std::string(text) {}
    AbstractString(const void* info, const char* text)
        : ConstrainedObject(info), std::string(text) {}
    AbstractString(const AbstractString&) = default;
    AbstractString& operator=(const AbstractString&) = default;
    static AbstractData* create(const void* info) { return new AbstractString(info); }
    AbstractString* clone() const { return static_cast<AbstractString*>(AbstractData::clone()); }

    using AbstractData::compare;
    using std::string::assign;
    using std::string::npos;
    using std::string::size_type;
    AbstractString& assign(const std::string& text) {
        std::string::assign(text);
        return *this;
    }

    const char* getCharacterSet() const { return record().characterSet; }
    unsigned getCharacterSetSize() const { return record().setSize; }
    unsigned getCanonicalSetBits() const { return record().canonicalBits; }
    unsigned getNumBits(bool aligned) const {
        return aligned ? record().alignedBits : record().unalignedBits;
    }

    // The position of the first character outside the type's character set, npos when
    // there is none (always for a type that permits every character).
    size_type find_first_invalid() const;
    bool isValid() const { return validSize(size(), false) && find_first_invalid() == npos; }
    bool isStrictlyValid() const { return validSize(size(), true) && find_first_invalid() == npos; }

private:
    const StringInfo& record() const { return *static_cast<const StringInfo*>(info()); }
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;
};

// A string whose static type is a string prints as its characters, unquoted.
std::ostream& operator<<(std::ostream& os, const AbstractString& text);

}  // namespace ASN1
