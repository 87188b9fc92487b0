#include "asn1/SEQUENCE.h"

#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

#include <algorithm>

namespace ASN1 {

HALVOX_CONSTINIT const unsigned SEQUENCE::defaultTag[1] = {0};

void SEQUENCE::BitMap::resize(unsigned n) {
    std::size_t count = (std::size_t(n) + 7) / 8;
    if (n <= heldBits) {
        std::size_t used = (std::size_t(bitCount_) + 7) / 8;
        if (bitCount_ > heldBits) {
            std::copy(spilled_.begin(), spilled_.begin() + std::ptrdiff_t(count), held_);
            spilled_.clear();
            used = sizeof held_;
        }
        if (used > count) std::fill(held_ + count, held_ + used, 0);
    } else {
        if (bitCount_ <= heldBits) spilled_.assign(held_, held_ + sizeof held_);
        spilled_.resize(count, 0);
    }
    bitCount_ = n;
    if (n % 8 != 0) octets()[count - 1] &= char(0xFF00 >> (n % 8));  // bits past the end read 0
}

void SEQUENCE::BitMap::set(unsigned i) {
    if (i < bitCount_) octets()[i / 8] |= char(0x80 >> (i % 8));
}

void SEQUENCE::BitMap::clear(unsigned i) {
    if (i < bitCount_) octets()[i / 8] &= char(~(0x80 >> (i % 8)));
}

bool SEQUENCE::BitMap::any() const {
    const char* bits = octets();
    return std::any_of(bits, bits + (bitCount_ + 7) / 8, [](char c) { return c != 0; });
}

void SEQUENCE::BitMap::swap(BitMap& other) {
    std::swap(bitCount_, other.bitCount_);
    std::swap(held_, other.held_);
    spilled_.swap(other.spilled_);
}

void SEQUENCE::FieldVector::reserve(unsigned n) {
    size_ = n;
    slots_ = n <= heldSlots ? held_
                            : static_cast<AbstractData**>(
                                  ValuePool::allocate(n * sizeof(AbstractData*)));
}

SEQUENCE::FieldVector::FieldVector(unsigned n) {
    reserve(n);
    for (unsigned pos = 0; pos < n; ++pos) slots_[pos] = nullptr;
}

inline SEQUENCE::FieldVector::FieldVector(const SequenceInfo& r) {
    reserve(r.rootCount + r.extensionCount);
    unsigned pos = 0;
    try {
        for (; pos < size_; ++pos)
            slots_[pos] = pos < r.rootCount && r.fieldIds[pos] < 0
                              ? AbstractData::create(r.fieldInfos[pos])
                              : nullptr;
    } catch (...) {
        while (pos-- > 0) delete slots_[pos];
        if (slots_ != held_) ValuePool::deallocate(slots_, size_ * sizeof(AbstractData*));
        throw;
    }
}

// Delegating: when a clone cannot be made, the destructor drops the ones made so far.
SEQUENCE::FieldVector::FieldVector(const FieldVector& other) : FieldVector(other.size_) {
    for (unsigned pos = 0; pos < size_; ++pos)
        slots_[pos] = other.slots_[pos] ? other.slots_[pos]->clone() : nullptr;
}

SEQUENCE::FieldVector::~FieldVector() {
    for (unsigned pos = 0; pos < size_; ++pos) delete slots_[pos];
    if (slots_ != held_) ValuePool::deallocate(slots_, size_ * sizeof(AbstractData*));
}

void SEQUENCE::FieldVector::swap(FieldVector& other) {
    // Slots held in place move with their array.
    bool mineHeld = slots_ == held_, theirsHeld = other.slots_ == other.held_;
    std::swap(held_, other.held_);
    std::swap(slots_, other.slots_);
    std::swap(size_, other.size_);
    if (theirsHeld) slots_ = held_;
    if (mineHeld) other.slots_ = other.held_;
}

SEQUENCE::SEQUENCE(const void* info)
    : AbstractData(info), fields_(record()), optionalMap_(record().optionalCount) {
    const SequenceInfo& r = record();
    if (r.extensionPreset) {
        extensionMap_.resize(r.extensionCount);
        for (unsigned k = 0; k < r.extensionCount; ++k) {
            if (r.extensionPreset[k / 8] & (0x80 >> (k % 8))) {
                extensionMap_.set(k);
                ensureField(r.rootCount + k);
            }
        }
    }
}

SEQUENCE& SEQUENCE::operator=(const SEQUENCE& other) {
    SEQUENCE copy(other);
    swap(copy);
    return *this;
}

AbstractData* SEQUENCE::includeOptionalField(unsigned opt, unsigned pos) {
    unsigned optionals = optionalMap_.size();
    if (opt < optionals) {
        optionalMap_.set(opt);
    } else {
        unsigned k = opt - optionals;
        if (extensionMap_.size() <= k) extensionMap_.resize(k + 1);
        extensionMap_.set(k);
    }
    return ensureField(pos);
}

void SEQUENCE::removeOptionalField(unsigned opt) {
    unsigned optionals = optionalMap_.size();
    if (opt < optionals)
        optionalMap_.clear(opt);
    else
        extensionMap_.clear(opt - optionals);
}

int SEQUENCE::tagMode() const {
    if (!record().tags) return 0;
    return record().tags == defaultTag ? 2 : 1;
}

unsigned SEQUENCE::getFieldTag(int pos) const {
    switch (tagMode()) {
        case 0:
            return 0x800000u | unsigned(pos);
        case 2:
            return static_cast<const TypeInfo*>(record().fieldInfos[pos])->tag;
        default:
            return record().tags[pos];
    }
}

void SEQUENCE::swap(SEQUENCE& other) {
    fields_.swap(other.fields_);
    optionalMap_.swap(other.optionalMap_);
    extensionMap_.swap(other.extensionMap_);
}

int SEQUENCE::do_compare(const AbstractData& other) const {
    const SEQUENCE* that = dynamic_cast<const SEQUENCE*>(&other);
    if (!that || that->info() != info()) return mismatch(other);
    const SequenceInfo& r = record();
    for (unsigned pos = 0; pos < fields_.size(); ++pos) {
        bool mine, theirs;
        if (pos < r.rootCount && r.fieldIds[pos] < 0) {
            mine = fields_[pos] != nullptr;
            theirs = that->fields_[pos] != nullptr;
        } else {
            unsigned opt = pos < r.rootCount ? unsigned(r.fieldIds[pos])
                                             : r.optionalCount + (pos - r.rootCount);
            mine = hasOptionalField(opt) && fields_[pos];
            theirs = that->hasOptionalField(opt) && that->fields_[pos];
        }
        int result =
            mine && theirs ? fields_[pos]->compare(*that->fields_[pos]) : int(mine) - int(theirs);
        if (result != 0) return result;
    }
    return 0;
}

AbstractData* SEQUENCE::do_clone() const { return new SEQUENCE(*this); }
bool SEQUENCE::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool SEQUENCE::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
