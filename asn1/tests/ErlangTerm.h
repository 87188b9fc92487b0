// Values of the test schema as Erlang terms, in the form Erlang's asn1 application gives
// them: {'Type', Field, ...} with asn1_NOVALUE for an absent field, {alternative, Value},
// atoms for enumerations, lists for strings and SEQUENCE OF, binaries for OCTET and BIT
// STRING. Test support for the cross-check with that independent implementation.
#pragma once

#include "asn1/AbstractData.h"
#include "asn1/tests/SchemaCatalog.h"

#include <memory>
#include <string>
#include <vector>

namespace PerTest {

std::string toErlangTerm(const ASN1::AbstractData& value);

// Fills `value`, created from its record, from `text` (one term, an ending dot allowed);
// false when the term does not fit the type.
bool fromErlangTerm(const std::string& text, ASN1::AbstractData& value);

// A committed cross-check vector: a value of the test schema and the octets Erlang encoded
// it to.
struct ErlangVector {
    const SchemaCatalog::Entry* type;
    std::string hex;  // without blanks
    std::string term;
    std::unique_ptr<ASN1::AbstractData> value;  // read from the term
};

// The vectors of "per" or "ber", as `asn1/tests/erlang/vectors.escript` wrote them.
std::vector<ErlangVector> erlangVectors(const std::string& codec);

}  // namespace PerTest
