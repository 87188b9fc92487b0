// The type records the generator writes: what the runtime reads of each type.
#include "asn1/tests/SchemaCatalog.h"
#include "schema/HSP.h"
#include "schema/LGCP.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> texts(const char* const* table, unsigned count) {
    return std::vector<std::string>(table, table + count);
}

TEST(SchemaRecords, ExplicitlyNumberedItemsKeepTheirNumberInTheText) {
    const ASN1::EnumeratedInfo& state = HSP::StandbyState::theInfo;
    EXPECT_EQ(16, state.maximum);
    EXPECT_EQ((std::vector<std::string>{"initial", "learn", "listen", "speak=4", "standby=8",
                                        "active=16"}),
              texts(state.names, state.count));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 4, 8, 16}),
              std::vector<int>(state.numbers, state.numbers + state.count));
}

// The records that the types' fields and alternatives reach: one shared record per list
// element type and per INTEGER range, whichever modules use it.
TEST(SchemaRecords, SharedListAndRangeRecords) {
    std::set<const void*> visited, lists;
    std::set<std::pair<long long, unsigned>> ranges;
    std::vector<const void*> pending;
    for (unsigned i = 0; i < SchemaCatalog::count; ++i)
        pending.push_back(SchemaCatalog::entries[i].info);
    while (!pending.empty()) {
        const void* info = pending.back();
        pending.pop_back();
        if (!visited.insert(info).second) continue;
        ASN1::CreateFun create = static_cast<const ASN1::TypeInfo*>(info)->create;
        if (create == &ASN1::SEQUENCE::create) {
            const auto& r = *static_cast<const ASN1::SequenceInfo*>(info);
            pending.insert(pending.end(), r.fieldInfos,
                           r.fieldInfos + r.rootCount + r.extensionCount);
        } else if (create == &ASN1::CHOICE::create) {
            const auto& r = *static_cast<const ASN1::ChoiceInfo*>(info);
            pending.insert(pending.end(), r.selectionInfos, r.selectionInfos + r.knownCount);
        } else if (create == &ASN1::SEQUENCE_OF_Base::create) {
            const auto& r = *static_cast<const ASN1::SequenceOfInfo*>(info);
            EXPECT_EQ(ASN1::Unconstrained, r.constrained.constraint);
            lists.insert(info);
            pending.push_back(r.elementInfo);
        } else if (create == &ASN1::INTEGER::create) {
            const auto& r = *static_cast<const ASN1::ConstrainedInfo*>(info);
            if (r.constraint != ASN1::Unconstrained) {
                EXPECT_EQ(ASN1::FixedConstraint, r.constraint);
                EXPECT_TRUE(ranges.insert({r.lower, r.upper}).second) << r.lower << ".." << r.upper;
            }
        }
    }
    EXPECT_EQ(1u, lists.count(&ASN1::SET_OF<LGCP::TonecMask>::theInfo));
}

}  // namespace
