// Every type of the schema, built from its own record, through the encoder and back.
#include "asn1/ASN1.h"
#include "asn1/CoderEnv.h"
#include "asn1/tests/PerTestSupport.h"
#include "schema/tests/RecordValue.h"
#include "schema/tests/SchemaCatalog.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// Encodes `value`, decodes the octets into a new value of its type and checks that it is
// the same value and encodes to the same octets.
testing::AssertionResult roundTrips(const ASN1::AbstractData& value) {
    ASN1::CoderEnv env;
    env.set_encodingRule(ASN1::CoderEnv::per);
    std::vector<char> octets;
    if (!ASN1::encode(value, &env, std::back_inserter(octets)))
        return testing::AssertionFailure() << "does not encode: " << value;
    std::unique_ptr<ASN1::AbstractData> back(ASN1::AbstractData::create(value.info()));
    if (!ASN1::decode(octets.data(), octets.data() + octets.size(), &env, *back, true))
        return testing::AssertionFailure() << "does not decode: " << PerTest::hex(octets);
    if (back->compare(value) != 0)
        return testing::AssertionFailure() << "decodes to another value: " << *back;
    std::vector<char> again;
    if (!ASN1::encode(*back, &env, std::back_inserter(again)) || again != octets)
        return testing::AssertionFailure() << "encodes otherwise: " << PerTest::hex(again);
    return testing::AssertionSuccess();
}

TEST(SchemaRoundTrip, EveryTypeFromItsRecord) {
    unsigned values = 0;
    for (unsigned i = 0; i < SchemaCatalog::count; ++i) {
        const SchemaCatalog::Entry& type = SchemaCatalog::entries[i];
        const std::string name = std::string(type.module) + "::" + type.name;
        std::unique_ptr<ASN1::AbstractData> probe(ASN1::AbstractData::create(type.info));
        if (auto* e = dynamic_cast<ASN1::ENUMERATED*>(probe.get())) {
            const auto& info = *static_cast<const ASN1::EnumeratedInfo*>(type.info);
            for (unsigned item = 0; item < info.count; ++item) {
                if (info.numbers[item] < 0) continue;
                e->setFromInt(info.numbers[item]);
                EXPECT_TRUE(roundTrips(*e)) << name << " item " << info.names[item];
                ++values;
            }
            continue;
        }
        unsigned alternatives = 2;  // nested CHOICEs take their first and second alternative
        if (auto* c = dynamic_cast<ASN1::CHOICE*>(probe.get()))
            alternatives = std::max(alternatives, c->getKnownChoices());
        for (bool withOptionals : {true, false}) {
            for (unsigned choice = 0; choice < alternatives; ++choice) {
                auto value = RecordValue::make(type.info, withOptionals, choice);
                EXPECT_TRUE(roundTrips(*value)) << name << (withOptionals ? " with" : " without")
                                                << " its options, choice " << choice;
                ++values;
            }
        }
    }
    EXPECT_GT(values, 1000u);
}

}  // namespace
