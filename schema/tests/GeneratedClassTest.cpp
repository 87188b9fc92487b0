// The generated classes as their users see them: construction, the accessors of fields,
// alternatives and items, copies, and what reading an absent value gives.
#include "schema/HSP.h"
#include "schema/LGCP.h"
#include "schema/MON.h"
#include "schema/tests/SAMPLE.h"
#include "tests/support/StreamCapture.h"

#include <gtest/gtest.h>
#include <memory>
#include <type_traits>

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
    EXPECT_FALSE(e.flag_isPresent());
    EXPECT_FALSE(e.name_isPresent());
    EXPECT_FALSE(e.scopes_isPresent());
    EXPECT_FALSE(e.extra_isPresent());
    EXPECT_FALSE(e.more_isPresent());

    // A SEQUENCE of OPTIONAL fields only holds no field value at all.
    SAMPLE::AllOptional all;
    EXPECT_EQ(nullptr, all.getField(0));
    EXPECT_EQ(nullptr, all.getField(1));
    EXPECT_FALSE(all.count_isPresent());
    EXPECT_FALSE(all.size_isPresent());
    LGCP::Message message;
    EXPECT_FALSE(message.seq_isPresent());
    EXPECT_FALSE(message.slot_isPresent());
    EXPECT_EQ(-1, message.get_pdu().currentSelection());
}

TEST(GeneratedSequence, OmittedFieldComesBackWithItsNewValue) {
    LGCP::Message message;
    message.set_slot(17);
    EXPECT_TRUE(message.slot_isPresent());
    message.omit_slot();
    EXPECT_FALSE(message.slot_isPresent());
    EXPECT_FALSE(message.seq_isPresent());
    message.set_slot(1023);
    EXPECT_TRUE(message.slot_isPresent());
    EXPECT_EQ(1023u, message.get_slot().getValue());
}

TEST(GeneratedSequence, WritableAccessorsIncludeAnAbsentField) {
    SAMPLE::Everything e;
    e.ref_levels().push_back(SAMPLE::Level(SAMPLE::Level::high));
    EXPECT_TRUE(e.levels_isPresent());
    e.set_scopes().push_back(SAMPLE::Scope(SAMPLE::Scope::info::Id{}, 3u));
    EXPECT_TRUE(e.scopes_isPresent());
    e.set_nothing();
    EXPECT_TRUE(e.nothing_isPresent());
    ASSERT_EQ(1u, e.get_levels().size());
    EXPECT_TRUE(e.get_levels()[0].is_high());
    EXPECT_EQ(3u, e.get_scopes()[0].get_info().getValue());
}

TEST(GeneratedSequence, EveryArgumentKindIsStored) {
    SAMPLE::Everything e;
    e.set_number(-5);
    e.set_small(unsigned(-128));
    e.set_big(4294967295u);
    e.set_flag(true);
    e.set_octets(std::vector<char>{'\x01', '\x02'});
    e.set_text("free text");
    e.set_name("eight ch");
    e.set_level(SAMPLE::Level::top_most);
    e.set_pick(PAIR::Pick(PAIR::Pick::number::Id{}, 6u));
    e.set_extra(9);
    e.set_more().select_nothing();

    EXPECT_EQ(-5, e.get_number().getValue());
    EXPECT_EQ(-128, e.get_small().INTEGER::getValue());
    EXPECT_EQ(4294967295u, e.get_big().getValue());
    EXPECT_TRUE(e.get_flag());
    EXPECT_EQ((std::vector<char>{'\x01', '\x02'}), e.get_octets());
    EXPECT_EQ("free text", e.get_text());
    EXPECT_EQ("eight ch", e.get_name());
    EXPECT_TRUE(e.get_level().is_top_most());
    EXPECT_EQ(6u, e.get_pick().get_number().getValue());
    // The additions use the presence bits after the root's OPTIONAL ones.
    EXPECT_EQ(10u, e.optionalCount());
    EXPECT_TRUE(e.extra_isPresent() && e.hasOptionalField(10));
    EXPECT_TRUE(e.more_isPresent() && e.hasOptionalField(11));
    EXPECT_EQ(9, e.get_extra().getValue());
    // The sized string made by the runtime carries its own record.
    EXPECT_EQ(&SAMPLE::Everything::name::value_type::theInfo, e.get_name().info());
}

TEST(GeneratedSequence, CopiesAreDeepAndEqual) {
    SAMPLE::Everything e;
    e.set_text("one");
    e.set_pick(PAIR::Pick(PAIR::Pick::flag::Id{}, true));
    SAMPLE::Everything copy(e);
    EXPECT_EQ(e, copy);
    copy.set_text("two");
    copy.omit_pick();
    EXPECT_EQ("one", e.get_text());
    EXPECT_TRUE(e.pick_isPresent());
    EXPECT_NE(e, copy);

    std::unique_ptr<SAMPLE::Everything> clone(e.clone());
    EXPECT_EQ(e, *clone);
    SAMPLE::Everything assigned;
    assigned = e;
    EXPECT_EQ(e, assigned);
}

TEST(GeneratedSequence, AbsentFieldReadsAsDefaultWithOneLine) {
    SAMPLE::Everything e;
    e.set_flag(true);
    e.omit_flag();
    StreamCapture cerr(std::cerr);
    EXPECT_FALSE(e.get_flag());
    EXPECT_EQ("", e.get_text());
    EXPECT_EQ(0u, e.get_levels().size());
    EXPECT_EQ(
        "ASN1: get_flag: field absent, default value used\n"
        "ASN1: get_text: field absent, default value used\n"
        "ASN1: get_levels: field absent, default value used\n",
        cerr.str());
}

TEST(GeneratedChoice, NewValueSelectsNothing) {
    SAMPLE::Scope scope;
    EXPECT_EQ(-1, scope.currentSelection());
    EXPECT_FALSE(scope.create_isSelected());
    EXPECT_FALSE(scope.info_isSelected());
}

TEST(GeneratedChoice, SelectingTheCurrentAlternativeGivesAFreshValue) {
    SAMPLE::Scope scope;
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
    std::unique_ptr<SAMPLE::Scope> clone(scope.clone());
    EXPECT_TRUE(clone->create_isSelected());
    scope.select_later("added");
    EXPECT_EQ(4, scope.currentSelection());
    EXPECT_EQ("added", scope.get_later());
}

TEST(GeneratedChoice, IdsAreDistinctTypesHoldingTheIndex) {
    static_assert(LGCP::Signal::tonec::Id::value == 1, "tonec is the second alternative");
    static_assert(LGCP::Command::protoVarn::Id::value == 14, "protoVarn is the last root one");
    static_assert(!std::is_same<LGCP::Signal::receiver::Id, LGCP::Signal::transmitter::Id>::value,
                  "alternatives of one type have their own Id");
    LGCP::Signal receiver(LGCP::Signal::receiver::Id{}, LGCP::Stream());
    LGCP::Signal transmitter(LGCP::Signal::transmitter::Id{}, LGCP::Stream());
    EXPECT_EQ(9, receiver.currentSelection());
    EXPECT_EQ(10, transmitter.currentSelection());

    LGCP::Response error(LGCP::Response::error::Id{}, LGCP::ErrorCause::invalidSlot);
    EXPECT_TRUE(error.get_error().is_invalidSlot());
    LGCP::Signal number(LGCP::Signal::number::Id{}, std::string("1234"));
    EXPECT_EQ("1234", number.get_number());
    LGCP::Signal abort(LGCP::Signal::abort::Id{}, -3);
    EXPECT_EQ(-3, abort.get_abort().getValue());
    MON::Command ping(MON::Command::ping::Id{}, ASN1::Null());
    EXPECT_TRUE(ping.ping_isSelected());
}

TEST(GeneratedChoice, UnselectedAlternativeReadsAsDefaultWithOneLine) {
    LGCP::Stream stream;
    stream.select_active(4);
    StreamCapture cerr(std::cerr);
    EXPECT_EQ(ASN1::Null(), stream.get_inactive());
    LGCP::PDU pdu;
    EXPECT_EQ(-1, pdu.get_command().currentSelection());
    EXPECT_EQ(
        "ASN1: get_inactive: alternative not selected, default value used\n"
        "ASN1: get_command: alternative not selected, default value used\n",
        cerr.str());
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
    LGCP::ErrorCause cause;
    EXPECT_TRUE(cause.is_invalidParams());
}

TEST(GeneratedEnumerated, ItemsCarryTheirNumbers) {
    EXPECT_EQ(1, SAMPLE::Level::low);
    EXPECT_EQ(2, SAMPLE::Level::middle);
    EXPECT_EQ(4, SAMPLE::Level::high);
    EXPECT_EQ(9, SAMPLE::Level::top_most);
    EXPECT_EQ(4, HSP::StandbyState::speak);
    EXPECT_EQ(2, HSP::StandbyState::listen);
    EXPECT_EQ(1, HSP::StandbyState::learn);
    EXPECT_EQ(16, HSP::StandbyCommand::active);

    HSP::ControllerStatus status(HSP::ControllerStatus::notrun);
    status.set_unknown();
    EXPECT_TRUE(status.is_unknown());
    status = HSP::ControllerStatus::standby;
    EXPECT_EQ(HSP::ControllerStatus::standby, HSP::ControllerStatus::NamedNumber(status));
    HSP::ControllerStatus copy;
    copy = status;
    EXPECT_TRUE(copy.is_standby());
    // No accessor checks the range: the encoder does.
    status = HSP::ControllerStatus::NamedNumber(77);
    EXPECT_EQ(77, status.asInt());
}

TEST(GeneratedEnumerated, PrintsItemNamesFoundByNumber) {
    const char* const expected[] = {"initial", "learn", "listen",  "3",  "speak", "5",
                                    "6",       "7",     "standby", "9",  "10",    "11",
                                    "12",      "13",    "14",      "15", "active"};
    for (int number = 0; number <= 16; ++number) {
        HSP::StandbyState state{HSP::StandbyState::NamedNumber(number)};
        EXPECT_EQ(expected[number], state.asValueNotation()) << number;
    }
    HSP::StandbyState speak;
    ASSERT_TRUE(speak.setFromName("speak"));
    EXPECT_TRUE(speak.is_speak());
    EXPECT_STREQ("speak=4", speak.getName());
}

}  // namespace
