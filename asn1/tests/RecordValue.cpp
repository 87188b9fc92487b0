#include "asn1/tests/RecordValue.h"

#include "asn1/ASN1.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace RecordValue {

using namespace ASN1;

namespace {

// Where the walk over a value takes its decisions: the edges of make(), or random ones.
class Source {
public:
    Source(bool withOptionals, unsigned choice) : withOptionals_(withOptionals), choice_(choice) {}
    explicit Source(std::mt19937& random) : random_(&random) {}

    bool present() { return random_ ? uniform(0, 1) == 1 : withOptionals_; }  // field or addition
    unsigned alternative(unsigned known) {
        return random_ ? unsigned(uniform(0, known - 1)) : choice_ % known;
    }
    unsigned elements() { return random_ ? unsigned(uniform(0, 3)) : 2; }  // of a list
    // Of a string: at random, sizes a length determinant makes interesting.
    unsigned size(unsigned low, unsigned high) {
        static const unsigned sizes[] = {0, 1, 2, 3, 16, 17, 127, 128, 129, 300};
        if (!random_) return std::min(high, 64u);
        const unsigned n = present() ? unsigned(uniform(0, 8)) : sizes[uniform(0, 9)];
        return std::max(low, std::min(high, n));
    }
    long long number(long long low, long long high) {  // within a range
        if (!random_) return high;
        const long long pick = uniform(0, 5);
        if (pick < 2) return pick ? high : low;
        if (pick == 2) return low < high ? low + 1 : low;
        return uniform(low, high);
    }
    // Unconstrained: at random, the edges of the octet counts or any number.
    int integer() {
        static const int numbers[] = {0, -1, 127, 128, -128, -129, 32767, -32769, INT_MAX, INT_MIN};
        if (!random_) return INT_MIN + 1;
        return present() ? numbers[uniform(0, 9)] : int(uniform(INT_MIN, INT_MAX));
    }

private:
    long long uniform(long long low, long long high) {
        return std::uniform_int_distribution<long long>(low, high)(*random_);
    }
    std::mt19937* random_ = nullptr;
    bool withOptionals_ = false;
    unsigned choice_ = 0;
};

void fill(AbstractData& value, Source& source);

void fillSequence(SEQUENCE& value, Source& source) {
    const unsigned roots = value.rootCount();
    bool anyAddition = false;
    for (unsigned pos = 0; pos < roots + value.extensionCount(); ++pos) {
        const int id = pos < roots ? value.fieldId(pos) : int(value.optionalCount() + pos - roots);
        if (id >= 0 && !source.present()) continue;
        fill(id < 0 ? *value.getField(pos) : *value.includeOptionalField(unsigned(id), pos),
             source);
        anyAddition = anyAddition || pos >= roots;
    }
    if (anyAddition) value.extensionMap().resize(value.extensionCount());
}

// The size range of a string, within what a test should build.
unsigned size(const ConstrainedObject& value, Source& source) {
    const bool fixed = value.getConstraintType() == FixedConstraint;
    return source.size(fixed ? unsigned(value.getLowerLimit()) : 0,
                       fixed ? value.getUpperLimit() : 1000);
}

void fill(AbstractData& value, Source& source) {
    if (auto* sequence = dynamic_cast<SEQUENCE*>(&value)) {
        fillSequence(*sequence, source);
    } else if (auto* choice = dynamic_cast<CHOICE*>(&value)) {
        choice->select(int(source.alternative(choice->getKnownChoices())));
        fill(*choice->getSelection(), source);
    } else if (auto* list = dynamic_cast<SEQUENCE_OF_Base*>(&value)) {
        list->resize(source.elements());
        for (AbstractData* element : *list) fill(*element, source);
    } else if (auto* number = dynamic_cast<INTEGER*>(&value)) {
        number->setValue(number->getConstraintType() == FixedConstraint
                             ? int(std::uint32_t(
                                   source.number(number->getLowerLimit(), number->getUpperLimit())))
                             : source.integer());
    } else if (auto* item = dynamic_cast<ENUMERATED*>(&value)) {
        item->setFromInt(int(source.number(0, item->getMaximum())));
    } else if (auto* flag = dynamic_cast<BOOLEAN*>(&value)) {
        *flag = source.number(0, 1) == 1;
    } else if (auto* text = dynamic_cast<AbstractString*>(&value)) {
        const unsigned n = size(*text, source);
        text->clear();
        for (unsigned i = 0; i < n; ++i)
            text->push_back(
                text->getCharacterSet()[source.number(0, text->getCharacterSetSize() - 1)]);
    } else if (auto* octets = dynamic_cast<OCTET_STRING*>(&value)) {
        octets->resize(size(*octets, source));
        for (char& octet : *octets) octet = char(source.number(0, 255));
    } else if (auto* bits = dynamic_cast<BIT_STRING*>(&value)) {
        bits->resize(size(*bits, source));
        for (unsigned i = 0; i < bits->size(); ++i) bits->set(i, source.number(0, 1) == 1);
    } else if (auto* oid = dynamic_cast<OBJECT_IDENTIFIER*>(&value)) {
        oid->append(unsigned(source.number(0, 1)));
        oid->append(unsigned(source.number(0, 39)));
        for (unsigned n = source.elements(); n > 0; --n)
            oid->append(unsigned(source.number(0, 0xFFFFFFFFu)));
    }
}

std::unique_ptr<AbstractData> filled(const void* info, Source&& source) {
    std::unique_ptr<AbstractData> value(AbstractData::create(info));
    fill(*value, source);
    return value;
}

}  // namespace

std::unique_ptr<AbstractData> make(const void* info, bool withOptionals, unsigned choice) {
    return filled(info, Source(withOptionals, choice));
}

std::unique_ptr<AbstractData> random(const void* info, std::mt19937& random) {
    return filled(info, Source(random));
}

}  // namespace RecordValue
