// Every type of the schema, built from its own record, through the encoder and back.
#include "asn1/ASN1.h"
#include "asn1/tests/PerTestSupport.h"
#include "asn1/tests/RecordValue.h"
#include "asn1/tests/SchemaCatalog.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

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
                EXPECT_TRUE(PerTest::roundTrips(*e)) << name << " item " << info.names[item];
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
                EXPECT_TRUE(PerTest::roundTrips(*value))
                    << name << (withOptionals ? " with" : " without") << " its options, choice "
                    << choice;
                ++values;
            }
        }
    }
    EXPECT_GT(values, 1000u);
}

}  // namespace
