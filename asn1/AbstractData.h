// The root of every ASN.1 value: one pointer to the value's static type record, plus the
// operations every value offers (create from a record, compare, deep copy, visit, print).
#pragma once

#include "asn1/TypeInfo.h"
#include "asn1/ValuePool.h"

#include <ios>
#include <iosfwd>
#include <string>

namespace ASN1 {

class Visitor;
class ConstVisitor;

class AbstractData {
public:
    virtual ~AbstractData() = default;

    // Every value made on the heap comes from the value pool; the size given back is the
    // value's own class's, so each block returns to its list.
    static void* operator new(std::size_t size) { return ValuePool::allocate(size); }
    static void operator delete(void* p, std::size_t size) noexcept {
        ValuePool::deallocate(p, size);
    }

    // A new value of the record's type, owned by the caller; null for a null record.
    static AbstractData* create(const void* info) {
        return info ? static_cast<const TypeInfo*>(info)->create(info) : nullptr;
    }

    // Negative, zero or positive. Values of two different classes (or two SEQUENCEs of
    // different types) never compare equal.
    int compare(const AbstractData& other) const { return do_compare(other); }
    bool operator==(const AbstractData& other) const { return compare(other) == 0; }
    bool operator!=(const AbstractData& other) const { return compare(other) != 0; }

    // A deep copy on the heap, bound to the same record, owned by the caller.
    AbstractData* clone() const { return do_clone(); }

    bool accept(Visitor& visitor) { return do_accept(visitor); }
    bool accept(ConstVisitor& visitor) const { return do_accept(visitor); }

    const void* info() const { return info_; }
    unsigned getTag() const { return static_cast<const TypeInfo*>(info_)->tag; }

    // Value notation. print_on gives the state bits to set on the stream: failbit only
    // when the stream itself stopped taking text.
    std::ios_base::iostate print_on(std::ostream& os) const;
    std::string asValueNotation() const;
    // Reads the value from value notation: failbit when the text does not read as a value
    // of this type (what was read up to there stays in the value).
    std::ios_base::iostate get_from(std::istream& is);
    bool setFromValueNotation(const std::string& text);

    // Whether the value keeps the constraints of its type, where an extensible constraint
    // also allows what lies beyond its root; and whether it lies within every root.
    bool isValid() const;
    bool isStrictlyValid() const;

protected:
    explicit AbstractData(const void* info) : info_(info) {}
    AbstractData(const AbstractData&) = default;
    // Assignment copies values, never the record: a value keeps its type.
    AbstractData& operator=(const AbstractData&) { return *this; }

    // The comparison result of two values that are not of one type.
    int mismatch(const AbstractData& other) const;

private:
    virtual int do_compare(const AbstractData& other) const = 0;
    virtual AbstractData* do_clone() const = 0;
    virtual bool do_accept(Visitor& visitor) = 0;
    virtual bool do_accept(ConstVisitor& visitor) const = 0;

    const void* info_;
};

// Writes the value in ASN.1 value notation (multi-line for constructed values).
std::ostream& operator<<(std::ostream& os, const AbstractData& value);
// Reads the value from value notation; failbit on the stream when it does not read.
std::istream& operator>>(std::istream& is, AbstractData& value);

}  // namespace ASN1
