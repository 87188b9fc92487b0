// Scalar and string values: records, comparison, identifiers, times and enumerations.
#include "asn1/ASN1.h"
#include "asn1/Compare.h"
#include "asn1/CountBits.h"
#include "asn1/tests/PerTestSupport.h"
#include "asn1/tests/schema/TEST.h"

#include <climits>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace ASN1;
using PerTest::octets;

namespace {

OBJECT_IDENTIFIER oid(std::initializer_list<unsigned> arcs) {
    OBJECT_IDENTIFIER value;
    for (unsigned arc : arcs) value.append(arc);
    return value;
}

}  // namespace

TEST(Value, CountBitsCoversTheWholeUnsignedRange) {
    const std::pair<unsigned, unsigned> cases[] = {{0, 32},
                                                   // clang-format off
                                                   {1, 0}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {256, 8},
                                                   {1024, 10}, {0x80000000u, 31}, {0x80000001u, 32},
                                                   // clang-format on
                                                   {0xFFFFFFFFu, 32}};
    for (const auto& c : cases) EXPECT_EQ(c.second, CountBits(c.first)) << c.first;
}

TEST(Value, CompareGivesTheDifference) {
    const char ab[] = "ab", abc[] = "abc";
    EXPECT_EQ(-1, lexicographic_compare_bytes(ab, ab + 2, abc, abc + 3));
    EXPECT_EQ(1, lexicographic_compare_bytes(abc, abc + 3, ab, ab + 2));
    EXPECT_EQ(0, lexicographic_compare_bytes(ab, ab, abc, abc));
    const char low = 0x01, high = char(0xFF);
    EXPECT_EQ(-254, lexicographic_compare_bytes(&low, &low + 1, &high, &high + 1));

    EXPECT_EQ(1, BOOLEAN(true).compare(BOOLEAN(false)));
    EXPECT_EQ(-2, INTEGER(5).compare(INTEGER(7)));
    // Equal values on different records are equal.
    EXPECT_TRUE((INTEGER(5) == Constrained_INTEGER<FixedConstraint, 0, 7>(5)));
    // A difference beyond an int keeps the order.
    EXPECT_GT(INTEGER(INT_MAX).compare(INTEGER(-1)), 0);
    EXPECT_LT(INTEGER(INT_MIN).compare(INTEGER(1)), 0);
    EXPECT_EQ(1, TEST::State(TEST::State::busy).compare(TEST::State(TEST::State::idle)));
    EXPECT_EQ(-1, oid({1, 2}).compare(oid({1, 2, 3})));

    // Values of different classes, or SEQUENCEs of different records, never compare equal,
    // and the order is antisymmetric.
    INTEGER zero(0);
    TEST::State idle;
    TEST::Pair pair;
    TEST::PairExt pairExt;
    EXPECT_NE(0, zero.compare(idle));
    EXPECT_EQ(-zero.compare(idle), idle.compare(zero));
    EXPECT_TRUE(zero != BOOLEAN(false));
    EXPECT_NE(0, pair.compare(pairExt));
    EXPECT_EQ(-pair.compare(pairExt), pairExt.compare(pair));
}

TEST(Value, ClonesKeepTheirRecord) {
    EXPECT_EQ(nullptr, AbstractData::create(nullptr));
    Constrained_INTEGER<FixedConstraint, 0, 1023> slot(17);
    std::unique_ptr<INTEGER> copy(slot.clone());
    EXPECT_EQ(slot.info(), copy->info());
    EXPECT_EQ(0, copy->compare(slot));
    std::unique_ptr<AbstractString> text(IA5String("ab").clone());
    EXPECT_EQ(&IA5String::theInfo, text->info());
    EXPECT_EQ("ab", static_cast<std::string&>(*text));
}

TEST(Value, ObjectIdentifierContentsOctets) {
    std::vector<char> out;
    ASSERT_TRUE(oid({1, 2, 840, 113549}).encodeCommon(out));
    EXPECT_EQ("2A 86 48 86 F7 0D", PerTest::hex(out));
    OBJECT_IDENTIFIER back;
    ASSERT_TRUE(back.decodeCommon(out.data(), unsigned(out.size())));
    EXPECT_EQ(oid({1, 2, 840, 113549}), back);

    // The octets go in front of what the vector holds.
    out = octets("06");
    ASSERT_TRUE(oid({2, 100}).encodeCommon(out));
    EXPECT_EQ("81 34 06", PerTest::hex(out));
    ASSERT_TRUE(back.decodeCommon(out.data(), 2));
    EXPECT_EQ(oid({2, 100}), back);

    // The first subidentifier splits into the first two arcs at 40 and 80.
    for (auto [first, arcs] : {std::pair{"4F", oid({1, 39})}, {"50", oid({2, 0})}}) {
        out = octets(first);
        ASSERT_TRUE(back.decodeCommon(out.data(), 1));
        EXPECT_EQ(arcs, back) << first;
    }
    // The widest arcs.
    out = octets("2A 8F FF FF FF 7F");
    ASSERT_TRUE(back.decodeCommon(out.data(), unsigned(out.size())));
    EXPECT_EQ(0xFFFFFFFFu, back[2]);
    out.clear();
    ASSERT_TRUE(oid({2, 0xFFFFFFAFu}).encodeCommon(out));
    EXPECT_EQ("8F FF FF FF 7F", PerTest::hex(out));
}

TEST(Value, ObjectIdentifierRefusesMalformedOctetsAndArcs) {
    OBJECT_IDENTIFIER value;
    for (const char* bad : {"86",                    // ends inside a subidentifier
                            "2A 80 01",              // leading zero group
                            "2A 81 80 80 80 80 00",  // six octets
                            "2A 90 80 80 80 00"}) {  // five octets above 32 bits
        std::vector<char> input = octets(bad);
        EXPECT_FALSE(value.decodeCommon(input.data(), unsigned(input.size()))) << bad;
    }
    // First arcs that would read back as another identifier.
    std::vector<char> out = octets("55");
    for (const OBJECT_IDENTIFIER& wrong : {oid({3, 1}), oid({1, 40}), oid({2, 0xFFFFFFB0u})}) {
        EXPECT_FALSE(wrong.encodeCommon(out));
        EXPECT_EQ("55", PerTest::hex(out));
    }
}

// An identifier has two arcs at least: fewer neither encode nor come out of empty contents.
TEST(Value, ObjectIdentifierNeedsTwoArcs) {
    for (const OBJECT_IDENTIFIER& few : {oid({}), oid({1})}) {
        EXPECT_EQ("FAIL", PerTest::encode(few));
        EXPECT_EQ("FAIL", PerTest::encode(few, CoderEnv::ber));
    }
    OBJECT_IDENTIFIER back;
    EXPECT_FALSE(PerTest::decode("00", back));
    EXPECT_FALSE(PerTest::decode("06 00", back, CoderEnv::ber));
}

TEST(Value, GeneralizedTimeTextRoundTrips) {
    GeneralizedTime t;
    ASSERT_TRUE(t.set("20231011164600.250+0300"));
    EXPECT_EQ(46, t.getMinute());
    EXPECT_EQ(250, t.getMillisec());
    EXPECT_EQ(180, t.getMinDiff());
    EXPECT_EQ("20231011164600.250+0300", t.get());
    ASSERT_TRUE(t.set("20231011164600Z"));
    EXPECT_TRUE(t.getUTC());
    EXPECT_EQ("20231011164600Z", t.get());
    ASSERT_TRUE(t.set("19991231235960.5-0130"));
    EXPECT_EQ(-90, t.getMinDiff());
    EXPECT_EQ("19991231235960.500-0130", t.get());
    ASSERT_TRUE(t.set("20000101000000.1239"));
    EXPECT_EQ("20000101000000.123", t.get());
}

TEST(Value, GeneralizedTimeRefusesMalformedTextAndKeepsItsValue) {
    GeneralizedTime t("20231011164600Z");
    for (const char* text :
         {"", "2023101116460Z", "2023a011164600Z", "20231311164600Z", "20231000164600Z",
          "20231011244600Z", "20231011166000Z", "20231011164600.Z", "20231011164600+03",
          "20231011164600+0360", "20231011164600Z1"}) {
        EXPECT_FALSE(t.set(text)) << text;
        EXPECT_EQ("20231011164600Z", t.get()) << text;
    }
}

TEST(Value, GeneralizedTimeSecondsAreUtcBothWays) {
    GeneralizedTime t;
    t.set_time_t(1697042760);  // 2023-10-11 16:46:00 UTC
    EXPECT_EQ("20231011164600", t.get());
    EXPECT_EQ(1697042760, t.get_time_t());
    EXPECT_EQ(-1, t.compare(GeneralizedTime(2023, 10, 11, 16, 46, 1, 0, 0, false)));
    EXPECT_EQ(-1, t.compare(GeneralizedTime(2023, 10, 11, 16, 46, 0, 0, 0, true)));
}

TEST(Value, EnumerationNamesFoundByNumber) {
    TEST::State state;
    EXPECT_STREQ("idle", state.getName());
    for (int number : {-1, 2}) {
        state.setFromInt(number);
        EXPECT_EQ(nullptr, state.getName()) << number;
    }
    EXPECT_TRUE(state.setFromName("busy"));
    EXPECT_TRUE(state.is_busy());
    EXPECT_FALSE(state.setFromName("asleep"));  // leaves a number no item has
    EXPECT_EQ(2, state.asInt());

    // Sparse numbers: the text carries "=N"; the name alone sets the number.
    TEST::Standby standby(TEST::Standby::not_use);
    EXPECT_STREQ("not-use=-1", standby.getName());
    standby.setFromInt(9);
    EXPECT_STREQ("top=9", standby.getName());
    standby.setFromInt(5);
    EXPECT_EQ(nullptr, standby.getName());
    EXPECT_TRUE(standby.setFromName("not-use"));
    EXPECT_EQ(-1, standby.asInt());
    EXPECT_FALSE(standby.setFromName("speak=4"));
    EXPECT_EQ(10, standby.asInt());

    // A number given to two items finds the first.
    static const char* const names[] = {"a", "b=1", "c=1"};
    static const int numbers[] = {0, 1, 1};
    static const EnumeratedInfo twice = {{&ENUMERATED::create, 10}, false, 1, names, 3, numbers};
    EXPECT_STREQ("b=1", ENUMERATED(1, &twice).getName());
}

TEST(Value, NamedNumbersLookUpBothWays) {
    static const NameEntry entries[] = {{-5, "low"}, {7, "lucky"}};
    static const NamedNumberInfo named = {
        {{&IntegerWithNamedNumber::create, 2}, Unconstrained, 0, 0xFFFFFFFFu}, entries, 2};
    IntegerWithNamedNumber n(6, &named);
    std::string name = "untouched";
    EXPECT_FALSE(n.getName(name));
    EXPECT_EQ("untouched", name);
    EXPECT_TRUE(n.setFromName("low"));
    EXPECT_FALSE(n.setFromName("high"));
    EXPECT_EQ(-5, n.getValue());
}

TEST(Value, StringsLayoutAndOrder) {
    BIT_STRING bits;
    bits.resize(9);
    EXPECT_EQ(2u, bits.getData().size());
    bits.set(8);
    EXPECT_EQ(char(0x80), bits.getData()[1]);
    EXPECT_FALSE(bits[9]);
    bits.set(9);  // beyond the last bit: nothing
    EXPECT_EQ(char(0x80), bits.getData()[1]);
    BIT_STRING a, b, empty, three;
    a.resize(4);
    b.resize(4);
    for (unsigned i : {0u, 2u}) a.set(i);
    for (unsigned i : {0u, 2u, 3u}) b.set(i);
    EXPECT_EQ(-16, a.compare(b));
    three.resize(3);
    EXPECT_EQ(-3, empty.compare(three));

    EXPECT_EQ(-1, OCTET_STRING(octets("01 02")).compare(OCTET_STRING(octets("01 02 03"))));
    EXPECT_EQ(255, OCTET_STRING(octets("01 FF")).compare(OCTET_STRING(octets("01 00"))));
    EXPECT_LT(IA5String("ab").compare(IA5String("abc")), 0);
    EXPECT_GT(IA5String("b").compare(IA5String("abc")), 0);
    EXPECT_GT(BMPString(L"\x0410\x0435").compare(BMPString(L"\x0410")), 0);

    // Every alphabet is ascending and as long as its record says.
    for (const StringInfo* kind :
         {&NumericString::theInfo, &PrintableString::theInfo, &VisibleString::theInfo,
          &IA5String::theInfo, &GeneralString::theInfo}) {
        AbstractString s(kind);
        const unsigned char* set = reinterpret_cast<const unsigned char*>(s.getCharacterSet());
        for (unsigned i = 1; i < s.getCharacterSetSize(); ++i) EXPECT_LT(set[i - 1], set[i]);
        EXPECT_EQ(0, set[s.getCharacterSetSize()]);
        EXPECT_EQ(CountBits(s.getCharacterSetSize()), s.getCanonicalSetBits());
    }
}
