// The values of the worked examples, which every codec's tests show.
#pragma once

#include "asn1/tests/schema/TEST.h"

namespace PerTest {

// The Pair of the aligned-PER example, `first` 5 (or absent) and `second` the number 6, in
// any of the Pair types.
template <class Pair>
Pair workedPair(bool first = true) {
    Pair pair;
    if (first) pair.set_first(5);
    pair.set_second().select_number(6);
    return pair;
}

// The Record of the value-notation example: id 5, state busy, body data with octets 0A FF
// and bits 101, items 1 and 2.
inline TEST::Record workedRecord() {
    TEST::Record record;
    record.set_id(5);
    record.set_state(TEST::State::busy);
    TEST::Data& data = record.set_body().select_data();
    data.set_octets({char(0x0A), char(0xFF)});
    data.set_flags().resize(3);
    data.set_flags().set(0);
    data.set_flags().set(2);
    record.set_items().push_back(ASN1::INTEGER(1));
    record.set_items().push_back(ASN1::INTEGER(2));
    return record;
}

}  // namespace PerTest
