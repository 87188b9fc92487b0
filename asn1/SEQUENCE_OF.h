// SEQUENCE OF and SET OF values: owned elements in order, all of the record's element type.
// SEQUENCE_OF<T> and SET_OF<T> add typed access and their constant records.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/ConstrainedObject.h"

#include <boost/iterator/iterator_adaptor.hpp>
#include <type_traits>
#include <vector>

namespace ASN1 {

class SEQUENCE_OF_Base : public ConstrainedObject, public detail::Allocator<SEQUENCE_OF_Base> {
public:
    typedef std::vector<AbstractData*, PoolAllocator<AbstractData*>> Container;
    typedef Container::iterator iterator;
    typedef Container::const_iterator const_iterator;

    explicit SEQUENCE_OF_Base(const void* info) : ConstrainedObject(info) {}
    SEQUENCE_OF_Base(const SEQUENCE_OF_Base& other);
    SEQUENCE_OF_Base& operator=(const SEQUENCE_OF_Base& other);
    ~SEQUENCE_OF_Base() override;
    static AbstractData* create(const void* info) { return new SEQUENCE_OF_Base(info); }
    SEQUENCE_OF_Base* clone() const {
        return static_cast<SEQUENCE_OF_Base*>(AbstractData::clone());
    }

    unsigned size() const { return unsigned(container_.size()); }
    bool empty() const { return container_.empty(); }
    iterator begin() { return container_.begin(); }
    iterator end() { return container_.end(); }
    const_iterator begin() const { return container_.begin(); }
    const_iterator end() const { return container_.end(); }

    void reserve(unsigned n) { container_.reserve(n); }
    // Drops elements past n, or appends new initial elements up to n.
    void resize(unsigned n);
    // Takes ownership of `element`.
    void push_back(AbstractData* element);
    // A new initial element, owned by the caller.
    AbstractData* createElement() const;
    const void* elementInfo() const;
    // Inserts clones of `x`, or of each element of [first, last), before `pos`.
    void insert(iterator pos, unsigned n, const AbstractData& x);
    void insert(iterator pos, const_iterator first, const_iterator last);
    // Deletes the elements of [first, last); returns the position after them.
    iterator erase(iterator first, iterator last);
    void clear();
    void swap(SEQUENCE_OF_Base& other) { container_.swap(other.container_); }

    // The count within the bounds (beyond an extensible one when not strict) and every
    // element valid (strictly valid).
    bool isValid() const;
    bool isStrictlyValid() const;

private:
    // Moves every element of `from` before `pos`; nothing is lost if room cannot be made.
    void splice(iterator pos, SEQUENCE_OF_Base& from);
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;

    Container container_;
};

// No size bound: the only size constraint of the schema's lists.
struct EmptyConstraint {
    static constexpr ConstraintType type = Unconstrained;
    static constexpr int lower = 0;
    static constexpr unsigned upper = 0xFFFFFFFFu;
};

namespace detail {

// Walks the element pointers of a list and yields the elements as T (or const T).
template <class Value, class Base>
class ElementIterator : public boost::iterator_adaptor<ElementIterator<Value, Base>, Base, Value,
                                                       boost::use_default, Value&> {
public:
    ElementIterator() = default;
    explicit ElementIterator(Base it) : ElementIterator::iterator_adaptor_(it) {}
    // A mutable iterator converts to a const one.
    template <class V, class B, class = std::enable_if_t<std::is_convertible<B, Base>::value>>
    ElementIterator(const ElementIterator<V, B>& other)
        : ElementIterator::iterator_adaptor_(other.base()) {}

private:
    friend class boost::iterator_core_access;
    Value& dereference() const { return static_cast<Value&>(**this->base_reference()); }
};

// The typed list of T behind SEQUENCE_OF and SET_OF, which differ in their tag only.
template <class T, class Constraint, unsigned tag>
class TypedList : public SEQUENCE_OF_Base, public Allocator<TypedList<T, Constraint, tag>> {
public:
    typedef T value_type;
    typedef ElementIterator<T, Container::iterator> iterator;
    typedef ElementIterator<const T, Container::const_iterator> const_iterator;

    TypedList() : SEQUENCE_OF_Base(&theInfo) {}
    explicit TypedList(const void* info) : SEQUENCE_OF_Base(info) {}
    TypedList* clone() const { return static_cast<TypedList*>(AbstractData::clone()); }

    iterator begin() { return iterator(SEQUENCE_OF_Base::begin()); }
    iterator end() { return iterator(SEQUENCE_OF_Base::end()); }
    const_iterator begin() const { return const_iterator(SEQUENCE_OF_Base::begin()); }
    const_iterator end() const { return const_iterator(SEQUENCE_OF_Base::end()); }

    // Element i; i must be below size().
    T& operator[](unsigned i) { return *(begin() + i); }
    const T& operator[](unsigned i) const { return *(begin() + i); }

    // Appends a copy: the list never holds the caller's object.
    void push_back(const T& x) {
        SEQUENCE_OF_Base::push_back(static_cast<const AbstractData&>(x).clone());
    }
    using SEQUENCE_OF_Base::push_back;

    // Deletes the element under `it`; returns the position after it.
    iterator erase(iterator it) {
        return iterator(SEQUENCE_OF_Base::erase(it.base(), it.base() + 1));
    }

    static constexpr SequenceOfInfo theInfo = {
        {{&SEQUENCE_OF_Base::create, tag}, Constraint::type, Constraint::lower, Constraint::upper},
        &T::theInfo};
};

}  // namespace detail

template <class T, class Constraint = EmptyConstraint>
using SEQUENCE_OF = detail::TypedList<T, Constraint, 0x10>;

template <class T, class Constraint = EmptyConstraint>
using SET_OF = detail::TypedList<T, Constraint, 0x11>;

}  // namespace ASN1
