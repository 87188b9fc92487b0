// Aligned PER: the wire form of every kind of value, the limits, and the refusals.
#include "asn1/ASN1.h"
#include "asn1/CoderEnv.h"
#include "asn1/PERDecoder.h"
#include "asn1/PEREncoder.h"
#include "asn1/tests/PerTestSupport.h"
#include "asn1/tests/WorkedValues.h"
#include "asn1/tests/schema/LGCP.h"
#include "asn1/tests/schema/MUTANT.h"
#include "asn1/tests/schema/TEST.h"

#include <climits>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

using namespace ASN1;
using PerTest::decode;
using PerTest::encode;
using PerTest::hex;
using PerTest::octets;
using PerTest::workedPair;

namespace {

// The encoding written by `write` on a fresh encoder.
template <class Write>
std::string written(Write write) {
    std::vector<char> out;
    PEREncoder encoder(out);
    write(encoder);
    return hex(out);
}

const ConstrainedInfo octetsUpTo65535 = {{&OCTET_STRING::create, 4}, FixedConstraint, 0, 65535};
const ConstrainedInfo twoOctets = {{&OCTET_STRING::create, 4}, FixedConstraint, 2, 2};
const ConstrainedInfo sixteenBits = {{&BIT_STRING::create, 3}, FixedConstraint, 16, 16};
const ConstrainedInfo lowerBoundThree = {
    {&INTEGER::create, 2}, PartiallyConstrained, 3, 0xFFFFFFFFu};

// The record of the worked example's Pair: `first` OPTIONAL INTEGER (0..1023), `second`.
testing::AssertionResult isWorkedPairRecord(const SequenceInfo& info) {
    if (info.rootCount != 2 || info.extensionCount != 0 || info.extendable)
        return testing::AssertionFailure() << "not two root fields";
    if (info.optionalCount != 1 || info.fieldIds[0] != 0 || info.fieldIds[1] != -1)
        return testing::AssertionFailure() << info.optionalCount << " OPTIONAL";
    if (info.fieldInfos[0] != &Constrained_INTEGER<FixedConstraint, 0, 1023>::theInfo)
        return testing::AssertionFailure() << "first is not INTEGER (0..1023)";
    return testing::AssertionSuccess();
}

}  // namespace

TEST(Per, WorkedExampleInItsFourForms) {
    EXPECT_EQ("80 00 05 70", encode(workedPair<TEST::Pair>()));
    EXPECT_EQ("38", encode(workedPair<TEST::Pair>(false)));
    TEST::PairExt extensible = workedPair<TEST::PairExt>();
    EXPECT_EQ("40 00 05 70", encode(extensible));
    extensible.extensionMap().resize(2);  // bits, none set: still nothing after the roots
    EXPECT_EQ("40 00 05 70", encode(extensible));
    EXPECT_EQ("80 00 05 38", encode(workedPair<TEST::PairOfPickExt>()));
    EXPECT_TRUE(PerTest::roundTrips(workedPair<TEST::Pair>()));
    EXPECT_TRUE(PerTest::roundTrips(workedPair<TEST::Pair>(false)));
    EXPECT_TRUE(PerTest::roundTrips(workedPair<TEST::PairExt>()));
    EXPECT_TRUE(PerTest::roundTrips(workedPair<TEST::PairOfPickExt>()));
}

// The test types are generated from their description: MUTANT is TEST with `first` of Pair
// made mandatory, so the record check and the octets that pass on TEST fail on it.
TEST(Per, GeneratedRecordsFollowTheDescription) {
    EXPECT_TRUE(isWorkedPairRecord(TEST::Pair::theInfo));
    EXPECT_FALSE(isWorkedPairRecord(MUTANT::Pair::theInfo));
    EXPECT_EQ("00 05 70", encode(workedPair<MUTANT::Pair>()));
    MUTANT::Pair mutant;
    ASSERT_TRUE(decode("80 00 05 70", mutant));
    EXPECT_NE(5u, mutant.get_first().getValue());
}

TEST(Per, ConstrainedWholeNumbersBySizeOfRange) {
    // After one bit: 255 values stay a bare field, 256 take an aligned octet, 257 two.
    const struct {
        unsigned value, lower, upper;
        const char* hex;
    } afterABit[] = {{254, 0, 254, "FF 00"},
                     {255, 0, 255, "80 FF"},
                     {255, 0, 256, "80 00 FF"},
                     {7, 7, 7, "80"},
                     {8, 0, 7, "80"}};
    for (const auto& c : afterABit)
        EXPECT_EQ(c.hex, written([&](PEREncoder& e) {
                      e.encodeSingleBit(true);
                      EXPECT_EQ(c.value <= c.upper, e.encodeUnsigned(c.value, c.lower, c.upper));
                  }))
            << c.value;

    // The whole 32-bit range: the octet count as two bits, then the octets.
    typedef Constrained_INTEGER<FixedConstraint, 0, 0xFFFFFFFFu> Full;
    EXPECT_EQ("C0 FF FF FF FF", encode(Full(0xFFFFFFFFu)));
    EXPECT_EQ("00 00", encode(Full(0)));
    EXPECT_EQ("80 01 00 00", encode(Full(0x10000)));
    Full full;
    ASSERT_TRUE(decode("C0 FF FF FF FF", full));
    EXPECT_EQ(0xFFFFFFFFu, full.getValue());

    // A range below zero counts from its lower bound.
    Constrained_INTEGER<FixedConstraint, -128, 127> small;
    small.setValue(-5);
    EXPECT_EQ("7B", encode(small));
    ASSERT_TRUE(decode("00", small));
    EXPECT_EQ(-128, small.INTEGER::getValue());
    small.setValue(128);
    EXPECT_EQ("FAIL", encode(small));

    // The upper bound is not checked on decode: a slot number travels in 16 bits.
    LGCP::Message message;
    message.set_slot(1000);
    message.set_pdu().select_command().select_ping();
    EXPECT_EQ("40 03 E8 1C", encode(message));
    ASSERT_TRUE(decode("40 07 D0 1C", message));
    EXPECT_EQ(2000u, message.get_slot().getValue());
    EXPECT_TRUE(message.get_pdu().get_command().ping_isSelected());
}

TEST(Per, LengthDeterminants) {
    const std::pair<unsigned, const char*> lengths[] = {
        {127, "7F"}, {128, "80 80"}, {16383, "BF FF"}};
    for (const auto& l : lengths) {
        OCTET_STRING value(l.first, 'x');
        std::string encoded = encode(value);
        EXPECT_EQ(l.second, encoded.substr(0, std::string(l.second).size()));
        OCTET_STRING back;
        ASSERT_TRUE(decode(encoded, back)) << l.first;
        EXPECT_EQ(value, back);
    }
    EXPECT_EQ("FAIL", encode(OCTET_STRING(16384, 'x')));
    EXPECT_EQ("FAIL", encode(IA5String(std::string(16384, 'x'))));
    OCTET_STRING value;
    EXPECT_FALSE(decode("C0 01 00", value));  // a fragment: never sent, never read

    // Under a bound of at most 65535 a size is a number, not a length: 16384 passes both
    // ways, one more does not decode.
    std::string encoded = encode(OCTET_STRING(16384, 'y', &octetsUpTo65535));
    EXPECT_EQ("40 00", encoded.substr(0, 5));
    OCTET_STRING back(&octetsUpTo65535);
    ASSERT_TRUE(decode(encoded, back));
    EXPECT_EQ(16384u, back.size());
    EXPECT_FALSE(
        decode("40 01 " + encode(OCTET_STRING(16385, 'y', &octetsUpTo65535)).substr(6), back));
}

// The edges of each octet count are the cross-check vectors' (CrossCheckTest).
TEST(Per, UnconstrainedIntegersInTheFewestOctets) {
    const std::pair<int, const char*> cases[] = {
        {128, "02 00 80"}, {-129, "02 FF 7F"}, {INT_MIN, "04 80 00 00 00"}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, encode(INTEGER(c.first))) << c.first;
        INTEGER back;
        ASSERT_TRUE(decode(c.second, back));
        EXPECT_EQ(c.first, back.getValue());
    }
    INTEGER value;
    EXPECT_FALSE(decode("05 00 00 00 00 01", value));
    EXPECT_FALSE(decode("00", value));

    // A lower bound alone: the value itself, read back without sign.
    EXPECT_EQ("01 05", encode(INTEGER(5, &lowerBoundThree)));
    INTEGER back(&lowerBoundThree);
    ASSERT_TRUE(decode("01 FF", back));
    EXPECT_EQ(255, back.getValue());
}

TEST(Per, EnumerationsTravelByNumber) {
    static const char* const names[] = {"a", "b", "c"};
    static const int numbers[] = {0, 1, 2};
    static const EnumeratedInfo extensible = {
        {&ENUMERATED::create, 10}, true, 2, names, 3, numbers};
    EXPECT_EQ("86 A0", encode(ENUMERATED(5, &extensible)));
    EXPECT_EQ("40", encode(ENUMERATED(2, &extensible)));
    ENUMERATED back(&extensible);
    ASSERT_TRUE(decode("86 A0", back));
    EXPECT_EQ(5, back.asInt());
    EXPECT_FALSE(decode("80", back));  // extension count 0

    EXPECT_EQ("40", encode(TEST::Standby(TEST::Standby::speak)));  // 4 of 0..9, in 4 bits
    EXPECT_EQ("FAIL", encode(TEST::Standby(TEST::Standby::not_use)));
}

TEST(Per, ChoiceExtensionAlternatives) {
    TEST::PickAdded added;
    added.select_added(true);
    EXPECT_EQ("80 01 80", encode(added));
    EXPECT_TRUE(PerTest::roundTrips(added));

    // A peer that does not know the alternative skips its open type and goes on.
    TEST::PickThenFlag older;
    ASSERT_TRUE(decode("80 01 80 80", older));
    EXPECT_EQ(-2, older.get_pick().currentSelection());
    EXPECT_TRUE(older.get_flag());
    EXPECT_EQ("FAIL", encode(older));

    // A root index beyond the root alternatives is refused, also where an extension
    // alternative has that index.
    EXPECT_FALSE(decode("60", added));

    // The empty open type.
    EXPECT_EQ("01 00", encode(OpenData()));
    EXPECT_TRUE(decode("80 01 00", added));
}

TEST(Per, SequenceExtensionAdditions) {
    TEST::Extended value;
    value.set_a(1);
    value.set_x(5);
    EXPECT_EQ("80 01 01 01 02 01 05", encode(value));
    EXPECT_TRUE(PerTest::roundTrips(value));

    // An addition whose value runs past its own length fails, whatever follows it.
    TEST::Extended back;
    EXPECT_FALSE(decode("80 01 01 01 01 02 01 05", back));

    // Additions this side does not know are skipped, and never sent on.
    value.set_y(true);
    value.set_z({char(0xAB)});
    TEST::ExtendedV1 older;
    const std::string full = encode(value);
    ASSERT_TRUE(decode(full, older));
    EXPECT_EQ(5, older.get_x().getValue());
    EXPECT_EQ(3u, older.extensionMap().size());
    EXPECT_EQ("80 01 01 01 02 01 05", encode(older));
    // A skipped addition cut short fails.
    EXPECT_FALSE(decode(full.substr(0, full.size() - 3), older));
}

TEST(Per, StringsAndTheirAlignment) {
    // Two fixed octets follow the bit before them; three octets are aligned.
    EXPECT_EQ("D5 00 80", written([](PEREncoder& e) {
                  e.encodeSingleBit(true);
                  EXPECT_TRUE(OCTET_STRING({char(0xAA), char(0x01)}, &twoOctets).accept(e));
              }));
    EXPECT_EQ("80 03 AA 01 02", written([](PEREncoder& e) {
                  e.encodeSingleBit(true);
                  EXPECT_TRUE(OCTET_STRING({char(0xAA), 1, 2}).accept(e));
              }));
    BIT_STRING bits(&sixteenBits);
    bits.resize(16);
    bits.set(0);
    EXPECT_EQ("C0 00 00", written([&](PEREncoder& e) {
                  e.encodeSingleBit(true);
                  EXPECT_TRUE(bits.accept(e));
              }));
    BIT_STRING seventeen;
    seventeen.resize(17);
    seventeen.set(16);
    EXPECT_EQ("11 00 00 80", encode(seventeen));
    EXPECT_TRUE(PerTest::roundTrips(seventeen));

    EXPECT_EQ("02 61 62", encode(IA5String("ab")));
    EXPECT_EQ("FAIL", encode(NumericString("12a")));
    EXPECT_EQ("03 23 00", encode(NumericString("12 ")));
    NumericString digits;
    ASSERT_TRUE(decode("03 23 00", digits));
    EXPECT_EQ("12 ", static_cast<std::string&>(digits));
    EXPECT_FALSE(decode("01 C0", digits));  // index 12 of an alphabet of 11

    EXPECT_EQ("02 04 10 04 35", encode(BMPString(L"\x0410\x0435")));
    EXPECT_TRUE(PerTest::roundTrips(BMPString(L"\x0410\x0435")));
    GeneralizedTime time("20231011164600Z");
    EXPECT_EQ("0F 32 30 32 33 31 30 31 31 31 36 34 36 30 30 5A", encode(time));
    EXPECT_TRUE(PerTest::roundTrips(time));
    EXPECT_FALSE(decode("03 32 30 32", time));
}

TEST(Per, ListsOpenTypesAndIdentifiers) {
    SEQUENCE_OF<BOOLEAN> list;
    std::vector<char> input = octets("80 80");
    input.resize(2 + 16, char(0xFF));
    ASSERT_TRUE(ASN1::PERDecoder(input.data(), input.data() + input.size()).visit(list));
    EXPECT_EQ(128u, list.size());
    input = octets("80 81");
    input.resize(2 + 17, char(0xFF));
    EXPECT_FALSE(ASN1::PERDecoder(input.data(), input.data() + input.size()).visit(list));

    // Elements from a failing one on are dropped.
    SEQUENCE_OF<INTEGER> numbers;
    EXPECT_FALSE(decode("03 01 01 01 02 01", numbers));
    EXPECT_EQ(2u, numbers.size());

    OpenData raw;
    raw.grab(new std::vector<char>{char(0xAA), char(0xBB)});
    EXPECT_EQ("02 AA BB", encode(raw));
    OpenData open;
    ASSERT_TRUE(decode("02 AA BB", open));
    EXPECT_EQ(0, open.compare(raw));
    open.set_data(new INTEGER);
    EXPECT_FALSE(PERDecoder(nullptr, nullptr).revisit(open));  // AA BB is no INTEGER
    open.get_buf() = octets("01 07");
    ASSERT_TRUE(PERDecoder(nullptr, nullptr).revisit(open));
    EXPECT_EQ(7, static_cast<INTEGER&>(open.get_data()).getValue());

    // An open type of a fixed type: its value is read within the open type's length.
    static const TypeConstrainedOpenDataInfo ofInteger = {{&TypeConstrainedOpenData::create, 0},
                                                          &INTEGER::theInfo};
    std::unique_ptr<AbstractData> typed(AbstractData::create(&ofInteger));
    ASSERT_TRUE(decode("02 01 05", *typed));
    EXPECT_EQ(5, static_cast<INTEGER&>(static_cast<OpenData&>(*typed).get_data()).getValue());
    EXPECT_EQ("02 01 05", encode(*typed));
    EXPECT_FALSE(decode("01 02 01 05", *typed));

    OBJECT_IDENTIFIER oid;
    ASSERT_TRUE(decode("03 2A 03 04", oid));
    EXPECT_EQ(4u, oid.levels());
    EXPECT_FALSE(decode("03 2A 03", oid));
    EXPECT_EQ("03 2A 03 04", encode(oid));

    BOOLEAN flag;
    EXPECT_FALSE(decode("", flag));
}

TEST(Per, CoderEnvironment) {
    CoderEnv env;
    EXPECT_EQ(CoderEnv::invalidRule, env.get_encodingRule());
    std::vector<char> out = {'k'};
    INTEGER five(5);
    const char input[] = {0x01, 0x07, 0x55};
    for (int rule : {int(CoderEnv::invalidRule), 3}) {
        env.set_encodingRule(CoderEnv::EncodingRules(rule));
        EXPECT_FALSE(encode(five, &env, std::back_inserter(out)));
        EXPECT_FALSE(decode(input, input + 2, &env, five, false));
    }
    EXPECT_EQ(std::vector<char>{'k'}, out);
    EXPECT_EQ(5, five.getValue());

    env.set_encodingRule(CoderEnv::per);
    ASSERT_TRUE(encode(five, &env, std::back_inserter(out)));
    EXPECT_EQ("6B 01 05", hex(out));
    ASSERT_TRUE(decode(input, input + 3, &env, five, false));  // the extra octet is not read
    EXPECT_EQ(7, five.getValue());
    TEST::Pick unselected;
    EXPECT_FALSE(encode(unselected, &env, std::back_inserter(out)));
    EXPECT_EQ("6B 01 05", hex(out));

    env.set_encodingRule(CoderEnv::avn);
    std::string text;
    ASSERT_TRUE(encode(five, &env, std::back_inserter(text)));
    EXPECT_EQ("7", text);
    EXPECT_FALSE(encode(unselected, &env, std::back_inserter(text)));

    // Module names are ordered as texts.
    std::string a = "TERM", b = "LGCP", lookup = "TERM";
    env.modules()[a.c_str()] = nullptr;
    env.modules()[b.c_str()] = nullptr;
    EXPECT_STREQ("LGCP", env.modules().begin()->first);
    EXPECT_NE(env.modules().end(), env.modules().find(lookup.c_str()));
}
