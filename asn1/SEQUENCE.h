// The ASN.1 SEQUENCE value: one owned slot per field (root fields, then the known
// extension additions) and the presence bits of the OPTIONAL fields and of the additions.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/AbsentValue.h"
#include "asn1/AbstractData.h"

#include <utility>
#include <vector>

namespace ASN1 {

class SEQUENCE : public AbstractData, public detail::Allocator<SEQUENCE> {
public:
    typedef SequenceInfo InfoType;

    // Bit i lies in octet i / 8 under the mask 0x80 >> (i % 8), the order PER writes. Up to
    // 128 bits (every bitmap the schema has) are held in place; a longer one on the pool.
    class BitMap {
    public:
        BitMap() = default;
        // n bits, all 0.
        explicit BitMap(unsigned n) {
            if (n <= heldBits)
                bitCount_ = n;
            else
                resize(n);
        }

        unsigned size() const { return bitCount_; }
        // New bits are 0; bits past the end are dropped.
        void resize(unsigned n);
        // Bit i as 0 or 1; 0 at or beyond the size.
        int operator[](unsigned i) const {
            // Held bits past the size are 0 already.
            if (bitCount_ <= heldBits) return i < heldBits ? (held_[i / 8] >> (7 - i % 8)) & 1 : 0;
            return i < bitCount_ ? (spilled_[i / 8] >> (7 - i % 8)) & 1 : 0;
        }
        // Nothing happens at or beyond the size.
        void set(unsigned i);
        void clear(unsigned i);
        bool any() const;
        void swap(BitMap& other);
        // The (size + 7) / 8 octets of the bits; the unused low bits of the last one are 0.
        const char* octets() const { return bitCount_ <= heldBits ? held_ : spilled_.data(); }
        char* octets() { return bitCount_ <= heldBits ? held_ : spilled_.data(); }

    private:
        static constexpr unsigned heldBits = 128;
        unsigned bitCount_ = 0;
        char held_[heldBits / 8] = {};  // all 0 past the size
        std::vector<char, PoolAllocator<char>> spilled_;
    };

    // Field slots that own their values: copying clones every present value. A few slots
    // are held in place (most types have no more fields), more in one block of the pool.
    class FieldVector {
    public:
        // n empty slots.
        explicit FieldVector(unsigned n);
        // The slots of a new value of the record's type: its mandatory root fields made.
        explicit FieldVector(const SequenceInfo& r);
        FieldVector(const FieldVector& other);
        FieldVector& operator=(const FieldVector&) = delete;
        ~FieldVector();

        unsigned size() const { return size_; }
        AbstractData*& operator[](unsigned pos) { return slots_[pos]; }
        AbstractData* operator[](unsigned pos) const { return slots_[pos]; }
        void swap(FieldVector& other);

    private:
        static constexpr unsigned heldSlots = 4;
        // Room for n slots, not yet filled.
        void reserve(unsigned n);

        AbstractData** slots_;
        unsigned size_;
        AbstractData* held_[heldSlots];
    };

    explicit SEQUENCE(const void* info);
    SEQUENCE(const SEQUENCE& other) = default;
    SEQUENCE& operator=(const SEQUENCE& other);
    static AbstractData* create(const void* info) { return new SEQUENCE(info); }
    SEQUENCE* clone() const { return static_cast<SEQUENCE*>(AbstractData::clone()); }

    // The field at `pos` (root fields, then the known additions); null while it does not
    // exist.
    AbstractData* getField(unsigned pos) { return fields_[pos]; }
    const AbstractData* getField(unsigned pos) const { return fields_[pos]; }
    // The field at `pos`, made from its record first when it does not exist yet.
    AbstractData* ensureField(unsigned pos) {
        if (!fields_[pos]) fields_[pos] = AbstractData::create(record().fieldInfos[pos]);
        return fields_[pos];
    }
    const char* getFieldName(int pos) const { return record().fieldNames[pos]; }

    // Optional number `opt`: below the optional count, that OPTIONAL root field; from it
    // upwards, extension addition opt - optional count.
    bool hasOptionalField(unsigned opt) const {
        unsigned optionals = optionalMap_.size();
        return opt < optionals ? optionalMap_[opt] : extensionMap_[opt - optionals];
    }
    // Marks `opt` present and makes sure the field at `pos` exists; returns it.
    AbstractData* includeOptionalField(unsigned opt, unsigned pos);
    // Marks `opt` absent; the field keeps its value for a later include.
    void removeOptionalField(unsigned opt);

    bool extendable() const { return record().extendable; }
    unsigned rootCount() const { return record().rootCount; }
    unsigned extensionCount() const { return record().extensionCount; }
    unsigned optionalCount() const { return record().optionalCount; }
    // -1 for a mandatory root field, else its optional number.
    int fieldId(unsigned pos) const { return record().fieldIds[pos]; }
    const void* fieldInfo(unsigned pos) const { return record().fieldInfos[pos]; }

    const BitMap& optionalMap() const { return optionalMap_; }
    BitMap& optionalMap() { return optionalMap_; }
    const BitMap& extensionMap() const { return extensionMap_; }
    BitMap& extensionMap() { return extensionMap_; }

    // Tag handling for the codecs that send tags: 0 no tag table (field i has the context
    // tag i), 2 the fields' own tags (defaultTag), 1 a table of the type's own.
    int tagMode() const;
    unsigned getFieldTag(int pos) const;
    static const unsigned defaultTag[1];

    void swap(SEQUENCE& other);

protected:
    // For typed accessors of mandatory fields: the field at `pos` as T (construction made it).
    template <class T>
    const T& fieldAs(unsigned pos) const {
        return static_cast<const T&>(*fields_[pos]);
    }
    template <class T>
    T& fieldAs(unsigned pos) {
        return static_cast<T&>(*fields_[pos]);
    }
    // For typed accessors of OPTIONAL fields: the field at `pos` as T. Reading it while
    // absent gives T's default value and a log line.
    template <class T>
    const T& optionalFieldAs(unsigned pos, unsigned opt) const {
        if (hasOptionalField(opt) && fields_[pos]) return static_cast<const T&>(*fields_[pos]);
        detail::reportAbsent("field absent", getFieldName(int(pos)));
        return detail::defaultValue<T>();
    }
    // The OPTIONAL field at `pos` as T, marked present (and made) first.
    template <class T>
    T& includedFieldAs(unsigned opt, unsigned pos) {
        return static_cast<T&>(*includeOptionalField(opt, pos));
    }

private:
    const SequenceInfo& record() const { return *static_cast<const SequenceInfo*>(info()); }
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;

    FieldVector fields_;
    BitMap optionalMap_;
    BitMap extensionMap_;
};

}  // namespace ASN1
