// The static type records: constant data that tells the runtime what an ASN.1 type is.
// Every value points at one record; codecs, printers and checkers read types only here.
#pragma once

#include "runtime/ConstInit.h"

namespace ASN1 {

class AbstractData;

// Makes a new value of the record's type; every record starts with one.
typedef AbstractData* (*CreateFun)(const void* info);

enum ConstraintType {
    Unconstrained = 0,         // bounds hold 0 and 0xFFFFFFFF
    PartiallyConstrained = 1,  // lower bound only
    FixedConstraint = 2,       // lower and upper bound
    ExtendableConstraint = 3   // lower and upper bound, with an extension marker
};

// Every record kind below begins with these two fields (as its first member, so a
// pointer to any record is also a pointer to its TypeInfo). The records are plain
// aggregates: a module defines each one `HALVOX_CONSTINIT`, so the compiler proves that it is
// complete before any code runs (no start-up step, no initialisation-order hazard).

// Plain record: NULL, BOOLEAN, OBJECT IDENTIFIER, GeneralizedTime, open types.
struct TypeInfo {
    CreateFun create;
    unsigned tag;  // class bits (as in a BER identifier) << 16 | tag number
};

// INTEGER, BIT STRING, OCTET STRING: the bounds limit the value, the bits or the octets.
struct ConstrainedInfo {
    TypeInfo type;
    ConstraintType constraint;
    int lower;
    unsigned upper;
};

// IntegerWithNamedNumber: names sorted by ascending value.
struct NameEntry {
    int value;
    const char* name;
};
struct NamedNumberInfo {
    ConstrainedInfo constrained;
    const NameEntry* names;
    unsigned count;
};

// ENUMERATED: `names[i]` is the text of item i in definition order and `numbers[i]` its
// number; numbers may be sparse, negative or repeated. An item written with an explicit
// number has the text "name=N".
struct EnumeratedInfo {
    TypeInfo type;
    bool extendable;
    int maximum;  // the largest number of the root
    const char* const* names;
    unsigned count;
    const int* numbers;
};

// Known-multiplier character strings; the bounds limit the number of characters.
struct StringInfo {
    ConstrainedInfo constrained;
    const char* characterSet;  // ascending codes; its length is setSize (it may hold code 0)
    unsigned setSize;          // 0: any character
    unsigned canonicalBits;
    unsigned unalignedBits;
    unsigned alignedBits;
};

struct BMPStringInfo {
    ConstrainedInfo constrained;
    unsigned firstChar;
    unsigned lastChar;
    unsigned unalignedBits;
    unsigned alignedBits;
};

// CHOICE: alternatives are the root ones, then the known extension additions.
struct ChoiceInfo {
    TypeInfo type;
    bool extendable;
    const void* const* selectionInfos;
    unsigned rootCount;
    unsigned knownCount;
    const unsigned* tags;  // null: alternative i has the context tag i
    const char* const* selectionNames;
};

// SEQUENCE: fields are the root ones, then the known extension additions.
struct SequenceInfo {
    TypeInfo type;
    bool extendable;
    const void* const* fieldInfos;
    const int* fieldIds;  // root field: -1 mandatory, else its optional number
    unsigned rootCount;
    unsigned extensionCount;
    unsigned optionalCount;
    const char* extensionPreset;  // packed bits of the additions present at construction, or null
    const unsigned* tags;         // null: field i has the context tag i
    const char* const* fieldNames;
};

// SEQUENCE OF and SET OF: the bounds limit the number of elements.
struct SequenceOfInfo {
    ConstrainedInfo constrained;
    const void* elementInfo;
};

// An open type whose contained type is fixed.
struct TypeConstrainedOpenDataInfo {
    TypeInfo type;
    const void* containedInfo;
};

}  // namespace ASN1
