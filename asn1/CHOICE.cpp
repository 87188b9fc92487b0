#include "asn1/CHOICE.h"

#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

#include <utility>

namespace ASN1 {

CHOICE::CHOICE(const CHOICE& other)
    : AbstractData(other),
      selection_(other.selection_ ? other.selection_->clone() : nullptr),
      id_(other.id_) {}

CHOICE& CHOICE::operator=(const CHOICE& other) {
    if (this != &other) {
        selection_.reset(other.selection_ ? other.selection_->clone() : nullptr);
        id_ = other.id_;
    }
    return *this;
}

bool CHOICE::select(int id) {
    if (id == id_ && (selection_ || id < 0)) return id >= 0;
    id_ = id;
    return createSelection();
}

AbstractData* CHOICE::setSelection(int id, AbstractData* value) {
    selection_.reset(value);
    id_ = value ? id : unselected_;
    return value;
}

bool CHOICE::createSelection() {
    if (id_ >= 0 && unsigned(id_) < record().knownCount && record().selectionInfos[id_]) {
        selection_.reset(AbstractData::create(record().selectionInfos[id_]));
        return true;
    }
    id_ = unknownSelection_;
    selection_.reset();
    return false;
}

bool CHOICE::setID(unsigned tagNumber, unsigned tagClass) {
    const ChoiceInfo& r = record();
    if (!r.tags) return tagClass == 0x80 && tagNumber < r.knownCount && select(int(tagNumber));
    unsigned tag = tagClass << 16 | tagNumber;
    for (unsigned i = 0; i < r.knownCount; ++i)
        if (r.tags[i] == tag && tag != 0) return select(int(i));
    // Tag 0 marks an untagged CHOICE as alternative 0 (sorted first): its alternatives'
    // tags stand for it.
    if (r.knownCount == 0 || r.tags[0] != 0 || !select(0)) return false;
    CHOICE* inner = dynamic_cast<CHOICE*>(selection_.get());
    if (inner && inner->setID(tagNumber, tagClass)) return true;
    id_ = unknownSelection_;
    selection_.reset();
    return false;
}

unsigned CHOICE::getSelectionTag() const {
    return record().tags ? record().tags[id_] : 0x800000u | unsigned(id_);
}

bool CHOICE::isValid() const {
    return id_ >= 0 && selection_ && (extendable() || unsigned(id_) < getNumChoices()) &&
           selection_->AbstractData::isValid();
}

bool CHOICE::isStrictlyValid() const {
    return id_ >= 0 && selection_ && unsigned(id_) < getNumChoices() &&
           selection_->AbstractData::isStrictlyValid();
}

void CHOICE::swap(CHOICE& other) {
    selection_.swap(other.selection_);
    std::swap(id_, other.id_);
}

int CHOICE::do_compare(const AbstractData& other) const {
    const CHOICE* that = dynamic_cast<const CHOICE*>(&other);
    if (!that) return mismatch(other);
    if (id_ < 0 || id_ != that->id_ || !selection_ || !that->selection_) return id_ - that->id_;
    return selection_->compare(*that->selection_);
}

AbstractData* CHOICE::do_clone() const { return new CHOICE(*this); }
bool CHOICE::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool CHOICE::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
