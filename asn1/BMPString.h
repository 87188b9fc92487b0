// The ASN.1 BMPString value: one wide character per character, codes 0 to 65535.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/ConstrainedObject.h"

#include <string>

namespace ASN1 {

class BMPString : public ConstrainedObject,
                  public std::wstring,
                  public detail::Allocator<BMPString> {
public:
    explicit BMPString(const void* info = &theInfo) : ConstrainedObject(info) {}
    BMPString(const std::wstring& text, const void* info = &theInfo)
        : ConstrainedObject(info), std::wstring(text) {}
    BMPString(const wchar_t* text, const void* info = &theInfo)
        : ConstrainedObject(info), std::wstring(text) {}
    BMPString(const BMPString&) = default;
    BMPString& operator=(const BMPString&) = default;
    static AbstractData* create(const void* info) { return new BMPString(info); }
    BMPString* clone() const { return static_cast<BMPString*>(AbstractData::clone()); }

    using AbstractData::compare;
    using std::wstring::assign;
    BMPString& assign(const wchar_t* text, size_type count) {
        std::wstring::assign(text, count);
        return *this;
    }

    unsigned getFirstChar() const { return record().firstChar; }
    unsigned getLastChar() const { return record().lastChar; }
    unsigned getNumBits(bool aligned) const {
        return aligned ? record().alignedBits : record().unalignedBits;
    }

    // Within the type's range of character codes.
    bool legalCharacter(wchar_t c) const {
        return c >= wchar_t(getFirstChar()) && c <= wchar_t(getLastChar());
    }
    // The position of the first character that is not legal, or the length.
    size_type first_illegal_at() const;
    bool isValid() const { return validSize(size(), false) && first_illegal_at() == size(); }
    bool isStrictlyValid() const { return validSize(size(), true) && first_illegal_at() == size(); }

    static const BMPStringInfo theInfo;

private:
    const BMPStringInfo& record() const { return *static_cast<const BMPStringInfo*>(info()); }
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;
};

}  // namespace ASN1
