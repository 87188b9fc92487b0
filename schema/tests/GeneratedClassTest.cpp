// The generated classes as their users see them: construction, the accessors of fields,
// alternatives and items, and what reading an absent value gives.
#include "asn1/tests/PerTestSupport.h"
#include "schema/HSP.h"
#include "schema/LGCP.h"
#include "schema/MON.h"
#include "schema/tests/SAMPLE.h"
#include "tests/support/StreamCapture.h"

#include <gtest/gtest.h>
#include <memory>

using TestSupport::StreamCapture;

#if defined(major) || defined(minor)
#error "the schema headers must not bring in the major and minor macros"
#endif

namespace {

TEST(GeneratedSequence, NewValueHoldsMandatoryFieldsOnly) {
    SAMPLE::Everything e;
    EXPECT_EQ(0, e.get_number().getValue());
    EXPECT_EQ(0u, e.get_big().getValue());
    EXPECT_TRUE(e.get_numbers().empty());
    EXPECT_FALSE(e.flag_isPresent() || e.name_isPresent() || e.scopes_isPresent() ||
                 e.extra_isPresent() || e.more_isPresent());
    // A SEQUENCE of OPTIONAL fields only holds no field value at all.
    SAMPLE::AllOptional all;
    EXPECT_EQ(nullptr, all.getField(0));
    EXPECT_EQ(nullptr, all.getField(1));
}

TEST(GeneratedSequence, WritableAccessorsIncludeAnAbsentField) {
    SAMPLE::Everything e;
    e.ref_levels().push_back(SAMPLE::Level(SAMPLE::Level::high));
    e.set_scopes().push_back(SAMPLE::Scope(SAMPLE::Scope::info::Id{}, 3u));
    e.set_nothing();
    EXPECT_TRUE(e.levels_isPresent() && e.scopes_isPresent() && e.nothing_isPresent());
    ASSERT_EQ(1u, e.get_levels().size());
    EXPECT_TRUE(e.get_levels()[0].is_high());
    EXPECT_EQ(3u, e.get_scopes()[0].get_info().getValue());
}

// Every argument kind a setter takes; the value travels, and the additions use the presence
// bits after the root's OPTIONAL ones.
TEST(GeneratedSequence, EveryArgumentKindIsStored) {
    SAMPLE::Everything e;
    e.set_number(-5);
    e.set_small(unsigned(-128));
    e.set_big(4294967295u);
    e.set_flag(true);
    e.set_octets(std::vector<char>{'\x01', '\x02'});
    e.set_bits().resize(3);
    e.set_text("free text");
    e.set_name("eight ch");
    e.set_level(SAMPLE::Level::top_most);
    e.set_pick(SAMPLE::Scope(SAMPLE::Scope::info::Id{}, 6u));
    e.set_extra(9);
    e.set_more().select_create();
    EXPECT_EQ(-128, e.get_small().INTEGER::getValue());
    EXPECT_EQ(4294967295u, e.get_big().getValue());
    EXPECT_EQ(11u, e.optionalCount());
    EXPECT_TRUE(e.extra_isPresent() && e.hasOptionalField(11));
    EXPECT_TRUE(e.more_isPresent() && e.hasOptionalField(12));
    // The sized string made by the runtime carries its own record.
    EXPECT_EQ(&SAMPLE::Everything::name::value_type::theInfo, e.get_name().info());
    EXPECT_TRUE(PerTest::roundTrips(e));
}

TEST(GeneratedSequence, AbsentFieldReadsAsDefaultWithOneLine) {
    SAMPLE::Everything e;
    e.set_flag(true);
    e.omit_flag();
    StreamCapture cerr(std::cerr);
    EXPECT_FALSE(e.get_flag());
    EXPECT_EQ(0u, e.get_levels().size());
    EXPECT_EQ(
        "ASN1: get_flag: field absent, default value used\n"
        "ASN1: get_levels: field absent, default value used\n",
        cerr.str());
}

TEST(GeneratedChoice, SelectingTheCurrentAlternativeGivesAFreshValue) {
    SAMPLE::Scope scope;
    EXPECT_EQ(-1, scope.currentSelection());
    scope.select_info(9);
    EXPECT_EQ(9u, scope.get_info().getValue());
    scope.select_info();
    EXPECT_TRUE(scope.info_isSelected());
    EXPECT_EQ(0u, scope.get_info().getValue());

    scope.select_clear().set_count(true);
    scope.select_clear();
    EXPECT_FALSE(scope.get_clear().count_isPresent());
}

TEST(GeneratedChoice, AlternativesNamedLikeRuntimeMembers) {
    SAMPLE::Scope scope(SAMPLE::Scope::empty::Id{}, SAMPLE::Level::middle);
    EXPECT_TRUE(scope.empty_isSelected());
    EXPECT_EQ(2, scope.currentSelection());
    EXPECT_TRUE(scope.get_empty().is_middle());
    scope.select_create();
    EXPECT_TRUE(scope.create_isSelected());
    EXPECT_EQ(0, scope.currentSelection());
    scope.select_later("added");
    EXPECT_EQ(4, scope.currentSelection());
    EXPECT_EQ("added", scope.get_later());
}

TEST(GeneratedChoice, UnselectedAlternativeReadsAsDefaultWithOneLine) {
    LGCP::Stream stream;
    stream.select_active(4);
    StreamCapture cerr(std::cerr);
    EXPECT_EQ(ASN1::Null(), stream.get_inactive());
    EXPECT_EQ("ASN1: get_inactive: alternative not selected, default value used\n", cerr.str());
}

TEST(GeneratedChoice, WritingAnUnselectedAlternativeSelectsItFirst) {
    MON::Command command;
    command.select_snmp_trapsink_set();
    StreamCapture cerr(std::cerr);
    command.ref_snmp_set().ref_commands().resize(2);
    EXPECT_TRUE(command.snmp_set_isSelected());
    EXPECT_EQ(2u, command.get_snmp_set().get_commands().size());
    EXPECT_EQ("ASN1: ref_snmp_set: alternative not selected, a new value selected\n", cerr.str());
    // Once selected, ref_ keeps the value.
    command.ref_snmp_set().ref_commands().resize(3);
    EXPECT_EQ(3u, command.get_snmp_set().get_commands().size());
}

TEST(GeneratedEnumerated, NewValueIsZeroEvenWithoutSuchAnItem) {
    SAMPLE::Level level;
    EXPECT_EQ(0, level.asInt());
    EXPECT_FALSE(level.is_low());
    EXPECT_EQ(nullptr, level.getName());
    level = SAMPLE::Level::high;
    EXPECT_EQ(SAMPLE::Level::high, SAMPLE::Level::NamedNumber(level));
}

}  // namespace
