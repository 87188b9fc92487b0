// The ASN.1 ENUMERATED value: holds the item's number (not its position in the list).
#pragma once

#include "asn1/Allocator.h"
#include "asn1/AbstractData.h"

#include <string>

namespace ASN1 {

class ENUMERATED : public AbstractData, public detail::Allocator<ENUMERATED> {
public:
    typedef EnumeratedInfo InfoType;

    explicit ENUMERATED(const void* info) : AbstractData(info), value_(0) {}
    ENUMERATED(int value, const void* info) : AbstractData(info), value_(value) {}
    ENUMERATED(const ENUMERATED&) = default;
    static AbstractData* create(const void* info) { return new ENUMERATED(info); }
    ENUMERATED* clone() const { return static_cast<ENUMERATED*>(AbstractData::clone()); }

    // Copies the number only; the value keeps its own record.
    ENUMERATED& operator=(const ENUMERATED& other) {
        value_ = other.value_;
        return *this;
    }

    int asInt() const { return value_; }
    void setFromInt(int value) { value_ = value; }  // no range check
    int getMaximum() const { return record().maximum; }
    // A number of the root is 0 to maximum (the range the wire carries); beyond the
    // maximum is valid for an extensible type.
    bool isStrictlyValid() const { return value_ >= 0 && value_ <= getMaximum(); }
    bool isValid() const { return isStrictlyValid() || (extendable() && value_ > getMaximum()); }
    bool extendable() const { return record().extendable; }

    // The stored text of the item numbered like the value (the first such item), or null
    // when no item has that number. An explicitly numbered item's text is "name=N".
    const char* getName() const;
    // Sets the number of the first item whose name (without any "=N") is `name`. An unknown
    // name leaves maximum + 1 and gives false.
    bool setFromName(const std::string& name);

private:
    const EnumeratedInfo& record() const { return *static_cast<const EnumeratedInfo*>(info()); }
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;

    int value_;
};

}  // namespace ASN1
