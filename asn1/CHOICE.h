// The ASN.1 CHOICE value: the owned value of one alternative and its index, -1 when
// nothing is selected and -2 when the alternative was not understood.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/AbsentValue.h"
#include "asn1/AbstractData.h"

#include <memory>

namespace ASN1 {

class CHOICE : public AbstractData, public detail::Allocator<CHOICE> {
public:
    typedef ChoiceInfo InfoType;
    enum { unselected_ = -1, unknownSelection_ = -2 };

    // Owns `value` as the selection with index `id`.
    explicit CHOICE(const void* info, int id = unselected_, AbstractData* value = nullptr)
        : AbstractData(info), selection_(value), id_(id) {}
    CHOICE(const CHOICE& other);
    CHOICE& operator=(const CHOICE& other);
    static AbstractData* create(const void* info) { return new CHOICE(info); }
    CHOICE* clone() const { return static_cast<CHOICE*>(AbstractData::clone()); }

    int currentSelection() const { return id_; }
    AbstractData* getSelection() { return selection_.get(); }
    const AbstractData* getSelection() const { return selection_.get(); }
    bool isUnknownSelection() const { return id_ == unknownSelection_; }

    // Keeps the selection when `id` is already selected, else selects a new initial value
    // of alternative `id`; an unknown `id` leaves the CHOICE not understood and gives false.
    bool select(int id);
    // Takes `value` as the selection with index `id` and returns it (a null value leaves
    // nothing selected).
    AbstractData* setSelection(int id, AbstractData* value);
    // A new initial value of the alternative at the current index (see select).
    bool createSelection();
    // Selects (as select does) the alternative whose BER tag has this number and these
    // class bits (0x80 context-specific); false when no alternative has that tag. Without
    // a tag table alternative i has the context tag i.
    bool setID(unsigned tagNumber, unsigned tagClass);

    const char* getSelectionName() const { return record().selectionNames[id_]; }
    unsigned getSelectionTag() const;
    unsigned getNumChoices() const { return record().rootCount; }
    unsigned getKnownChoices() const { return record().knownCount; }
    bool extendable() const { return record().extendable; }
    const char* getAlternativeName(unsigned id) const { return record().selectionNames[id]; }

    // Something is selected, an extension alternative only for an extensible type, and
    // the selected value is valid. Strictly: a root alternative, strictly valid.
    bool isValid() const;
    bool isStrictlyValid() const;

    void swap(CHOICE& other);

protected:
    // For typed accessors: the selection as alternative `id` of type T. Reading an
    // alternative that is not selected gives T's default value and a log line.
    template <class T>
    const T& selectionAs(int id, const char* name) const {
        if (id_ == id && selection_) return static_cast<const T&>(*selection_);
        detail::reportAbsent("alternative not selected", name);
        return detail::defaultValue<T>();
    }
    // A new initial value of alternative `id`, selected, as T.
    template <class T>
    T& selectNewAs(int id) {
        return static_cast<T&>(
            *setSelection(id, AbstractData::create(record().selectionInfos[id])));
    }
    // The selection as alternative `id` of type T for writing; when another alternative (or
    // none) is selected, a new initial value of `id` is selected first, with a log line.
    template <class T>
    T& selectedAs(int id, const char* name) {
        if (id_ == id && selection_) return static_cast<T&>(*selection_);
        detail::reportReselected(name);
        return selectNewAs<T>(id);
    }

private:
    const ChoiceInfo& record() const { return *static_cast<const ChoiceInfo*>(info()); }
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;

    std::unique_ptr<AbstractData> selection_;
    int id_;
};

}  // namespace ASN1
