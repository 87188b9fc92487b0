#include "asn1/SEQUENCE_OF.h"

#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

#include <memory>

namespace ASN1 {

SEQUENCE_OF_Base::SEQUENCE_OF_Base(const SEQUENCE_OF_Base& other) : ConstrainedObject(other) {
    insert(container_.end(), other.begin(), other.end());
}

SEQUENCE_OF_Base& SEQUENCE_OF_Base::operator=(const SEQUENCE_OF_Base& other) {
    SEQUENCE_OF_Base copy(other);
    swap(copy);
    return *this;
}

SEQUENCE_OF_Base::~SEQUENCE_OF_Base() { clear(); }

void SEQUENCE_OF_Base::resize(unsigned n) {
    if (container_.size() > n) {
        erase(container_.begin() + n, container_.end());
        return;
    }
    container_.reserve(n);
    while (container_.size() < n) container_.push_back(createElement());
}

void SEQUENCE_OF_Base::push_back(AbstractData* element) {
    std::unique_ptr<AbstractData> owned(element);
    container_.push_back(element);
    owned.release();
}

const void* SEQUENCE_OF_Base::elementInfo() const {
    return static_cast<const SequenceOfInfo*>(info())->elementInfo;
}

AbstractData* SEQUENCE_OF_Base::createElement() const {
    return AbstractData::create(elementInfo());
}

void SEQUENCE_OF_Base::insert(iterator pos, unsigned n, const AbstractData& x) {
    SEQUENCE_OF_Base clones(info());
    clones.reserve(n);
    for (unsigned i = 0; i < n; ++i) clones.push_back(x.clone());
    splice(pos, clones);
}

void SEQUENCE_OF_Base::insert(iterator pos, const_iterator first, const_iterator last) {
    SEQUENCE_OF_Base clones(info());
    clones.reserve(unsigned(last - first));
    for (; first != last; ++first) clones.push_back((*first)->clone());
    splice(pos, clones);
}

void SEQUENCE_OF_Base::splice(iterator pos, SEQUENCE_OF_Base& from) {
    std::size_t offset = std::size_t(pos - container_.begin());
    container_.reserve(container_.size() + from.container_.size());
    container_.insert(container_.begin() + offset, from.container_.begin(), from.container_.end());
    from.container_.clear();
}

SEQUENCE_OF_Base::iterator SEQUENCE_OF_Base::erase(iterator first, iterator last) {
    for (iterator it = first; it != last; ++it) delete *it;
    return container_.erase(first, last);
}

void SEQUENCE_OF_Base::clear() {
    for (AbstractData* element : container_) delete element;
    container_.clear();
}

bool SEQUENCE_OF_Base::isValid() const {
    if (!validSize(size(), false)) return false;
    for (const AbstractData* element : container_)
        if (!element->isValid()) return false;
    return true;
}

bool SEQUENCE_OF_Base::isStrictlyValid() const {
    if (!validSize(size(), true)) return false;
    for (const AbstractData* element : container_)
        if (!element->isStrictlyValid()) return false;
    return true;
}

int SEQUENCE_OF_Base::do_compare(const AbstractData& other) const {
    const SEQUENCE_OF_Base* that = dynamic_cast<const SEQUENCE_OF_Base*>(&other);
    if (!that) return mismatch(other);
    for (std::size_t i = 0; i < container_.size() && i < that->container_.size(); ++i) {
        int result = container_[i]->compare(*that->container_[i]);
        if (result != 0) return result;
    }
    return int(container_.size()) - int(that->container_.size());
}

AbstractData* SEQUENCE_OF_Base::do_clone() const { return new SEQUENCE_OF_Base(*this); }
bool SEQUENCE_OF_Base::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool SEQUENCE_OF_Base::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
