// The type records the generator writes: what the runtime reads of each type.
#include "schema/HSP.h"
#include "schema/LGCP.h"
#include "schema/MON.h"
#include "schema/tests/MUTANT.h"
#include "schema/tests/PAIR.h"
#include "schema/tests/SchemaCatalog.h"

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

// The record of the worked example's Pair: `first` OPTIONAL, then the mandatory `second`.
testing::AssertionResult isPairRecord(const ASN1::SequenceInfo& info) {
    if (info.rootCount != 2 || info.extensionCount != 0 || info.extendable)
        return testing::AssertionFailure() << "not two root fields";
    if (info.optionalCount != 1)
        return testing::AssertionFailure() << info.optionalCount << " OPTIONAL";
    if (info.fieldIds[0] != 0 || info.fieldIds[1] != -1)
        return testing::AssertionFailure()
               << "field ids " << info.fieldIds[0] << ", " << info.fieldIds[1];
    if (info.fieldInfos[0] != &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023>::theInfo)
        return testing::AssertionFailure() << "first is not INTEGER (0..1023)";
    return testing::AssertionSuccess();
}

TEST(SchemaRecords, FollowTheDescriptionNotAFixedPattern) {
    EXPECT_TRUE(isPairRecord(PAIR::Pair::theInfo));
    // MUTANT is PAIR with `first` made mandatory.
    EXPECT_FALSE(isPairRecord(MUTANT::Pair::theInfo));
    EXPECT_EQ(0u, MUTANT::Pair::theInfo.optionalCount);
    EXPECT_EQ(-1, MUTANT::Pair::theInfo.fieldIds[0]);
    MUTANT::Pair mutant;
    EXPECT_NE(nullptr, mutant.getField(0));
}

TEST(SchemaRecords, MessageFrame) {
    const ASN1::SequenceInfo& message = LGCP::Message::theInfo;
    EXPECT_EQ(0x10u, message.type.tag);
    EXPECT_FALSE(message.extendable);
    EXPECT_EQ(3u, message.rootCount);
    EXPECT_EQ(2u, message.optionalCount);
    EXPECT_EQ((std::vector<int>{0, 1, -1}),
              std::vector<int>(message.fieldIds, message.fieldIds + 3));
    EXPECT_EQ((std::vector<std::string>{"seq", "slot", "pdu"}), texts(message.fieldNames, 3));
    EXPECT_EQ(&ASN1::INTEGER::theInfo, message.fieldInfos[0]);
    EXPECT_EQ((&ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023>::theInfo),
              message.fieldInfos[1]);
    EXPECT_EQ(&LGCP::PDU::theInfo, message.fieldInfos[2]);

    const ASN1::ChoiceInfo& command = LGCP::Command::theInfo;
    EXPECT_TRUE(command.extendable);
    EXPECT_EQ(15u, command.rootCount);
    EXPECT_EQ(15u, command.knownCount);
    EXPECT_EQ(nullptr, command.tags);
    EXPECT_STREQ("ping", command.selectionNames[12]);
    EXPECT_EQ(&ASN1::Null::theInfo, command.selectionInfos[12]);
    EXPECT_STREQ("protoVarn", command.selectionNames[14]);

    const ASN1::ChoiceInfo& signal = LGCP::Signal::theInfo;
    EXPECT_TRUE(signal.extendable);
    EXPECT_EQ(23u, signal.rootCount);
    EXPECT_STREQ("selcal", signal.selectionNames[22]);
    EXPECT_EQ(&LGCP::Stream::theInfo, signal.selectionInfos[9]);
    EXPECT_EQ(&LGCP::Stream::theInfo, signal.selectionInfos[10]);
    EXPECT_FALSE(LGCP::PDU::theInfo.extendable);
    EXPECT_FALSE(LGCP::Response::theInfo.extendable);

    const ASN1::EnumeratedInfo& cause = LGCP::ErrorCause::theInfo;
    EXPECT_TRUE(cause.extendable);
    EXPECT_EQ(12, cause.maximum);
    ASSERT_EQ(13u, cause.count);
    EXPECT_STREQ("unexpectedMsgType", LGCP::ErrorCause_enum_names__[4]);
    EXPECT_EQ(4, cause.numbers[4]);
}

TEST(SchemaRecords, NamesKeepTheirHyphens) {
    EXPECT_STREQ("timeslot-start", LGCP::BpcTestParams::theInfo.fieldNames[3]);
    EXPECT_STREQ("snmp-trapsink-set", MON::Command::theInfo.selectionNames[1]);
    EXPECT_STREQ("sound-off", HSP::StandbyMode_enum_names__[1]);
    EXPECT_STREQ("receiver_state", HSP::RadioChannelCommandRadioStateExt::theInfo.fieldNames[1]);
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

TEST(SchemaRecords, ListsShareOneRecordPerElementType) {
    EXPECT_EQ(&ASN1::SEQUENCE_OF<MON::SnmpSetCommand>::theInfo,
              MON::SnmpSetCommands::theInfo.fieldInfos[0]);
    const ASN1::SequenceOfInfo& list = ASN1::SEQUENCE_OF<MON::SnmpTrapsink>::theInfo;
    EXPECT_EQ(0x10u, list.constrained.type.tag);
    EXPECT_EQ(ASN1::Unconstrained, list.constrained.constraint);
    EXPECT_EQ(&MON::SnmpTrapsink::theInfo, list.elementInfo);
}

// The generator's counts per module, against the schema's own table.
TEST(SchemaRecords, CountsOfEachModule) {
    struct Counts {
        unsigned sequences = 0, choices = 0, enumerations = 0;
        bool operator==(const Counts& o) const {
            return sequences == o.sequences && choices == o.choices &&
                   enumerations == o.enumerations;
        }
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
