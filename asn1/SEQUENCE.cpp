#include "asn1/SEQUENCE.h"

#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

#include <algorithm>

namespace ASN1 {

HALVOX_CONSTINIT const unsigned SEQUENCE::defaultTag[1] = {0};

void SEQUENCE::BitMap::resize(unsigned n) {
    octets_.resize((std::size_t(n) + 7) / 8, 0);
    if (n % 8 != 0) octets_.back() &= char(0xFF00 >> (n % 8));  // bits past the end read 0
    bitCount_ = n;
}

void SEQUENCE::BitMap::set(unsigned i) {
    if (i < bitCount_) octets_[i / 8] |= char(0x80 >> (i % 8));
}

void SEQUENCE::BitMap::clear(unsigned i) {
    if (i < bitCount_) octets_[i / 8] &= char(~(0x80 >> (i % 8)));
}

bool SEQUENCE::BitMap::any() const {
    return std::any_of(octets_.begin(), octets_.end(), [](char c) { return c != 0; });
}

void SEQUENCE::BitMap::swap(BitMap& other) {
    std::swap(bitCount_, other.bitCount_);
    octets_.swap(other.octets_);
}

SEQUENCE::FieldVector::FieldVector(const FieldVector& other) : std::vector<AbstractData*>() {
    reserve(other.size());
    try {
        for (AbstractData* field : other) push_back(field ? field->clone() : nullptr);
    } catch (...) {
        for (AbstractData* field : *this) delete field;
        throw;
    }
}

SEQUENCE::FieldVector::~FieldVector() {
    for (AbstractData* field : *this) delete field;
}

SEQUENCE::SEQUENCE(const void* info)
    : AbstractData(info), fields_(record().rootCount + record().extensionCount) {
    const SequenceInfo& r = record();
    optionalMap_.resize(r.optionalCount);
    for (unsigned pos = 0; pos < r.rootCount; ++pos)
        if (r.fieldIds[pos] < 0) fields_[pos] = AbstractData::create(r.fieldInfos[pos]);
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

AbstractData* SEQUENCE::ensureField(unsigned pos) {
    if (!fields_[pos]) fields_[pos] = AbstractData::create(record().fieldInfos[pos]);
    return fields_[pos];
}

bool SEQUENCE::hasOptionalField(unsigned opt) const {
    unsigned optionals = optionalMap_.size();
    return opt < optionals ? optionalMap_[opt] : extensionMap_[opt - optionals];
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
