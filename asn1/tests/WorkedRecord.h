// The Record value of the value-notation worked example (id 5, state busy, body data with
// octets 0A FF and bits 101, items 1 and 2), which every codec's tests show.
#pragma once

#include "asn1/tests/schema/TEST.h"

namespace PerTest {

TEST::Record workedRecord();

}  // namespace PerTest
