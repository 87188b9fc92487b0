// The type records the generator writes: what the runtime reads of each type.
#include "asn1/tests/SchemaCatalog.h"
#include "schema/HSP.h"
#include "schema/LGCP.h"

#include <gtest/gtest.h>
#include <map>
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
    const ASN1::EnumeratedInfo& command = HSP::StandbyCommand::theInfo;
    EXPECT_EQ(16, command.maximum);
    EXPECT_EQ((std::vector<std::string>{"none", "standby=8", "active=16"}),
              texts(command.names, command.count));
}

// The generator's counts per module, against the schema's own table.
TEST(SchemaRecords, CountsOfEachModule) {
    struct Counts {
        unsigned sequences = 0, choices = 0, enumerations = 0;
    };
    std::map<std::string, Counts> counts;
    std::set<std::string> seen;
    for (unsigned i = 0; i < SchemaCatalog::count; ++i) {
        const SchemaCatalog::Entry& entry = SchemaCatalog::entries[i];
        EXPECT_TRUE(seen.insert(std::string(entry.module) + "::" + entry.name).second)
            << entry.name;
        ASN1::CreateFun create = static_cast<const ASN1::TypeInfo*>(entry.info)->create;
        Counts& c = counts[entry.module];
        if (create == &ASN1::SEQUENCE::create)
            ++c.sequences;
        else if (create == &ASN1::CHOICE::create)
            ++c.choices;
        else if (create == &ASN1::ENUMERATED::create)
            ++c.enumerations;
        else
            ADD_FAILURE() << entry.module << "::" << entry.name << " is of no generated kind";
    }
    auto expect = [&](const char* module, unsigned s, unsigned c, unsigned e) {
        EXPECT_EQ(s, counts[module].sequences) << module;
        EXPECT_EQ(c, counts[module].choices) << module;
        EXPECT_EQ(e, counts[module].enumerations) << module;
    };
    expect("LGCP", 63, 24, 19);
    expect("ACP", 21, 7, 14);
    expect("MON", 11, 7, 1);
    expect("HSP", 11, 4, 6);
    expect("BASE", 1, 0, 2);
    expect("TERM", 84, 39, 31);
    expect("VARNGW", 92, 20, 33);
    expect("CCP", 1, 1, 0);
    expect("MEDIA", 3, 7, 1);
    EXPECT_EQ(9u, counts.size());
    EXPECT_EQ(503u, SchemaCatalog::count);
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
    EXPECT_EQ(33u, lists.size());
    EXPECT_EQ(1u, lists.count(&ASN1::SET_OF<LGCP::TonecMask>::theInfo));
    const std::set<std::pair<long long, unsigned>> expected = {
        {0, 1},     {0, 3},           {0, 7},      {0, 15},         {0, 31},   {0, 63},
        {0, 127},   {0, 255},         {0, 511},    {0, 1023},       {0, 2047}, {0, 4095},
        {0, 65535}, {0, 4294967295u}, {1, 3},      {1, 21},         {1, 50},   {1, 255},
        {2, 50},    {20, 1000},       {-128, 127}, {112000, 399975}};
    EXPECT_EQ(expected, ranges);
}

}  // namespace
