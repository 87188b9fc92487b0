// The ASN.1 SEQUENCE value: one owned slot per field (root fields, then the known
// extension additions) and the presence bits of the OPTIONAL fields and of the additions.
#pragma once

#include "asn1/AbsentValue.h"
#include "asn1/AbstractData.h"

#include <vector>

namespace ASN1 {

class SEQUENCE : public AbstractData {
public:
    typedef SequenceInfo InfoType;

    // Bit i lies in octet i / 8 under the mask 0x80 >> (i % 8), the order PER writes.
    class BitMap {
    public:
        unsigned size() const { return bitCount_; }
        // New octets are 0; octets past the end are dropped.
        void resize(unsigned n);
        // Bit i as 0 or 1; 0 at or beyond the size.
        int operator[](unsigned i) const {
            return i < bitCount_ ? (octets_[i / 8] >> (7 - i % 8)) & 1 : 0;
        }
        // Nothing happens at or beyond the size.
        void set(unsigned i);
        void clear(unsigned i);
        bool any() const;
        void swap(BitMap& other);
        const std::vector<char>& octets() const { return octets_; }
        std::vector<char>& octets() { return octets_; }

    private:
        unsigned bitCount_ = 0;
        std::vector<char> octets_;
    };

    // Field slots that own their values: copying clones every present value.
    class FieldVector : public std::vector<AbstractData*> {
    public:
        explicit FieldVector(size_type n) : std::vector<AbstractData*>(n, nullptr) {}
        FieldVector(const FieldVector& other);
        FieldVector& operator=(const FieldVector&) = delete;
        ~FieldVector();
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
    AbstractData* ensureField(unsigned pos);
    const char* getFieldName(int pos) const { return record().fieldNames[pos]; }

    // Optional number `opt`: below the optional count, that OPTIONAL root field; from it
    // upwards, extension addition opt - optional count.
    bool hasOptionalField(unsigned opt) const;
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
