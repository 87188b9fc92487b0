#include "asn1/tests/RandomValue.h"

#include "asn1/ASN1.h"

#include <climits>
#include <cstdint>

namespace PerTest {

using namespace ASN1;

namespace {

long long uniform(std::mt19937& random, long long low, long long high) {
    return std::uniform_int_distribution<long long>(low, high)(random);
}

bool coin(std::mt19937& random) { return uniform(random, 0, 1) == 1; }

// A number in [low, high], the edges and their neighbours more often than the rest.
long long edgy(std::mt19937& random, long long low, long long high) {
    switch (uniform(random, 0, 5)) {
        case 0:
            return low;
        case 1:
            return high;
        case 2:
            return low < high ? low + 1 : low;
        default:
            return uniform(random, low, high);
    }
}

// A size a length determinant makes interesting, within [low, high].
unsigned size(std::mt19937& random, unsigned low, unsigned high) {
    static const unsigned sizes[] = {0, 1, 2, 3, 16, 17, 127, 128, 129, 300};
    unsigned n = coin(random) ? unsigned(uniform(random, 0, 8))
                              : sizes[uniform(random, 0, sizeof sizes / sizeof *sizes - 1)];
    return n < low ? low : n > high ? high : n;
}

void randomizeSequence(SEQUENCE& value, std::mt19937& random) {
    unsigned roots = value.rootCount();
    bool anyAddition = false;
    for (unsigned pos = 0; pos < roots + value.extensionCount(); ++pos) {
        int id = pos < roots ? value.fieldId(pos) : int(value.optionalCount() + pos - roots);
        if (id >= 0 && coin(random)) {
            value.removeOptionalField(unsigned(id));
            continue;
        }
        AbstractData* field =
            id < 0 ? value.getField(pos) : value.includeOptionalField(unsigned(id), pos);
        randomize(*field, random);
        anyAddition = anyAddition || pos >= roots;
    }
    if (anyAddition) value.extensionMap().resize(value.extensionCount());
}

}  // namespace

void randomize(AbstractData& value, std::mt19937& random) {
    if (auto* s = dynamic_cast<SEQUENCE*>(&value)) {
        randomizeSequence(*s, random);
    } else if (auto* c = dynamic_cast<CHOICE*>(&value)) {
        c->select(int(uniform(random, 0, c->getKnownChoices() - 1)));
        randomize(*c->getSelection(), random);
    } else if (auto* list = dynamic_cast<SEQUENCE_OF_Base*>(&value)) {
        list->resize(unsigned(uniform(random, 0, 3)));
        for (AbstractData* element : *list) randomize(*element, random);
    } else if (auto* n = dynamic_cast<INTEGER*>(&value)) {
        if (n->getConstraintType() == FixedConstraint) {
            n->setValue(int(std::uint32_t(edgy(random, n->getLowerLimit(), n->getUpperLimit()))));
        } else {
            static const int numbers[] = {0,    -1,    127,    128,     -128,
                                          -129, 32767, -32769, INT_MAX, INT_MIN};
            n->setValue(coin(random) ? numbers[uniform(random, 0, 9)]
                                     : int(uniform(random, INT_MIN, INT_MAX)));
        }
    } else if (auto* e = dynamic_cast<ENUMERATED*>(&value)) {
        e->setFromInt(int(uniform(random, 0, e->getMaximum())));
    } else if (auto* b = dynamic_cast<BOOLEAN*>(&value)) {
        *b = coin(random);
    } else if (auto* text = dynamic_cast<AbstractString*>(&value)) {
        bool bounded = text->getConstraintType() == FixedConstraint;
        unsigned n = size(random, bounded ? unsigned(text->getLowerLimit()) : 0,
                          bounded ? text->getUpperLimit() : 1000);
        text->clear();
        for (unsigned i = 0; i < n; ++i)
            text->push_back(
                text->getCharacterSet()[uniform(random, 0, text->getCharacterSetSize() - 1)]);
    } else if (auto* octets = dynamic_cast<OCTET_STRING*>(&value)) {
        octets->resize(size(random, 0, 1000));
        for (char& octet : *octets) octet = char(uniform(random, 0, 255));
    } else if (auto* bits = dynamic_cast<BIT_STRING*>(&value)) {
        bits->resize(unsigned(uniform(random, 0, 40)));
        for (unsigned i = 0; i < bits->size(); ++i) bits->set(i, coin(random));
    }
}

}  // namespace PerTest
