// Scalar and string values: records, comparison, identifiers, times and enumerations.
#include "asn1/ASN1.h"
#include "asn1/Compare.h"
#include "asn1/CountBits.h"
#include "asn1/tests/schema/TEST.h"

#include <climits>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace ASN1;

namespace {

std::vector<char> octets(std::initializer_list<int> values) {
    std::vector<char> result;
    for (int v : values) result.push_back(char(v));
    return result;
}

}  // namespace

TEST(Value, CountBitsCoversTheWholeUnsignedRange) {
    EXPECT_EQ(32u, CountBits(0));
    EXPECT_EQ(0u, CountBits(1));
    EXPECT_EQ(1u, CountBits(2));
    EXPECT_EQ(2u, CountBits(3));
    EXPECT_EQ(2u, CountBits(4));
    EXPECT_EQ(3u, CountBits(5));
    EXPECT_EQ(8u, CountBits(256));
    EXPECT_EQ(10u, CountBits(1024));
    EXPECT_EQ(31u, CountBits(0x80000000u));
    EXPECT_EQ(32u, CountBits(0x80000001u));
    EXPECT_EQ(32u, CountBits(0xFFFFFFFFu));
}

TEST(Value, OctetRangesCompareAsUnsigned) {
    const char ab[] = "ab", abc[] = "abc";
    EXPECT_EQ(-1, lexicographic_compare_bytes(ab, ab + 2, abc, abc + 3));
    EXPECT_EQ(1, lexicographic_compare_bytes(abc, abc + 3, ab, ab + 2));
    EXPECT_EQ(0, lexicographic_compare_bytes(ab, ab, abc, abc));
    const char low = 0x01, high = char(0xFF);
    EXPECT_EQ(-254, lexicographic_compare_bytes(&low, &low + 1, &high, &high + 1));
}

TEST(Value, CreatedFromRecordsAndClonedOntoTheSameRecord) {
    EXPECT_EQ(nullptr, AbstractData::create(nullptr));
    std::unique_ptr<AbstractData> made(AbstractData::create(&INTEGER::theInfo));
    INTEGER* number = dynamic_cast<INTEGER*>(made.get());
    ASSERT_NE(nullptr, number);
    EXPECT_EQ(0, number->getValue());
    EXPECT_EQ(2u, made->getTag());

    Constrained_INTEGER<FixedConstraint, 0, 1023> slot(17);
    std::unique_ptr<INTEGER> copy(slot.clone());
    EXPECT_EQ(slot.info(), copy->info());
    EXPECT_EQ(0, copy->compare(slot));
    EXPECT_EQ(1023u, copy->getUpperLimit());
}

TEST(Value, ScalarsCompareByDifference) {
    EXPECT_EQ(1, BOOLEAN(true).compare(BOOLEAN(false)));
    EXPECT_EQ(0, Null().compare(Null()));
    EXPECT_EQ(-2, INTEGER(5).compare(INTEGER(7)));
    // Equal values on different records are equal.
    EXPECT_TRUE((INTEGER(5) == Constrained_INTEGER<FixedConstraint, 0, 7>(5)));
    // A difference beyond an int keeps the order.
    EXPECT_GT(INTEGER(INT_MAX).compare(INTEGER(-1)), 0);
    EXPECT_LT(INTEGER(INT_MIN).compare(INTEGER(1)), 0);
    TEST::State busy(TEST::State::busy), idle(TEST::State::idle);
    EXPECT_EQ(1, busy.compare(idle));
}

TEST(Value, ValuesOfDifferentClassesNeverCompareEqual) {
    INTEGER zero(0);
    TEST::State idle;
    BOOLEAN no(false);
    EXPECT_NE(0, zero.compare(idle));
    EXPECT_EQ(-zero.compare(idle), idle.compare(zero));
    EXPECT_NE(0, no.compare(zero));
    EXPECT_TRUE(zero != no);
    TEST::Pair pair;
    TEST::PairExt pairExt;
    EXPECT_NE(0, pair.compare(pairExt));
    EXPECT_EQ(-pair.compare(pairExt), pairExt.compare(pair));
}

TEST(Value, ObjectIdentifierContentsOctets) {
    OBJECT_IDENTIFIER rsa;
    for (unsigned arc : {1u, 2u, 840u, 113549u}) rsa.append(arc);
    std::vector<char> out;
    ASSERT_TRUE(rsa.encodeCommon(out));
    EXPECT_EQ(octets({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D}), out);

    OBJECT_IDENTIFIER back;
    ASSERT_TRUE(back.decodeCommon(out.data(), unsigned(out.size())));
    EXPECT_EQ(0, back.compare(rsa));
    EXPECT_EQ(4u, back.levels());

    // The octets go in front of what the vector holds.
    std::vector<char> prefixed = octets({0x06});
    OBJECT_IDENTIFIER big;
    big.append(2);
    big.append(100);
    ASSERT_TRUE(big.encodeCommon(prefixed));
    EXPECT_EQ(octets({0x81, 0x34, 0x06}), prefixed);
    ASSERT_TRUE(back.decodeCommon(prefixed.data(), 2));
    EXPECT_EQ(2u, back[0]);
    EXPECT_EQ(100u, back[1]);

    OBJECT_IDENTIFIER single;
    single.append(1);
    ASSERT_TRUE(single.encodeCommon(prefixed));
    EXPECT_TRUE(prefixed.empty());

    OBJECT_IDENTIFIER shorter, longer;
    for (unsigned arc : {1u, 2u}) shorter.append(arc);
    for (unsigned arc : {1u, 2u, 3u}) longer.append(arc);
    EXPECT_EQ(-1, shorter.compare(longer));
}

TEST(Value, ObjectIdentifierRefusesMalformedOctetsAndArcs) {
    OBJECT_IDENTIFIER oid;
    const std::vector<std::vector<char>> bad = {
        octets({0x86}),                                      // ends inside a subidentifier
        octets({0x2A, 0x80, 0x01}),                          // leading zero group
        octets({0x2A, 0x81, 0x80, 0x80, 0x80, 0x80, 0x00}),  // six octets
        octets({0x2A, 0x90, 0x80, 0x80, 0x80, 0x00}),        // five octets above 32 bits
    };
    for (const std::vector<char>& input : bad)
        EXPECT_FALSE(oid.decodeCommon(input.data(), unsigned(input.size())));

    std::vector<char> widest = octets({0x2A, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F});
    ASSERT_TRUE(oid.decodeCommon(widest.data(), unsigned(widest.size())));
    EXPECT_EQ(0xFFFFFFFFu, oid[2]);

    std::vector<char> out = octets({0x55});
    for (std::pair<unsigned, unsigned> first :
         {std::make_pair(3u, 1u), std::make_pair(1u, 40u), std::make_pair(2u, 0xFFFFFFB0u)}) {
        OBJECT_IDENTIFIER wrong;
        wrong.append(first.first);
        wrong.append(first.second);
        EXPECT_FALSE(wrong.encodeCommon(out));
        EXPECT_EQ(octets({0x55}), out);
    }
    OBJECT_IDENTIFIER largest;
    largest.append(2);
    largest.append(0xFFFFFFAFu);
    out.clear();
    ASSERT_TRUE(largest.encodeCommon(out));
    EXPECT_EQ(octets({0x8F, 0xFF, 0xFF, 0xFF, 0x7F}), out);
}

TEST(Value, GeneralizedTimeTextRoundTrips) {
    GeneralizedTime t;
    ASSERT_TRUE(t.set("20231011164600.250+0300"));
    EXPECT_EQ(2023, t.getYear());
    EXPECT_EQ(10, t.getMonth());
    EXPECT_EQ(11, t.getDay());
    EXPECT_EQ(16, t.getHour());
    EXPECT_EQ(46, t.getMinute());
    EXPECT_EQ(0, t.getSecond());
    EXPECT_EQ(250, t.getMillisec());
    EXPECT_EQ(180, t.getMinDiff());
    EXPECT_FALSE(t.getUTC());
    EXPECT_EQ("20231011164600.250+0300", t.get());

    ASSERT_TRUE(t.set("20231011164600Z"));
    EXPECT_TRUE(t.getUTC());
    EXPECT_EQ(0, t.getMillisec());
    EXPECT_EQ("20231011164600Z", t.get());

    ASSERT_TRUE(t.set("19991231235960.5-0130"));
    EXPECT_EQ(500, t.getMillisec());
    EXPECT_EQ(-90, t.getMinDiff());
    EXPECT_EQ("19991231235960.500-0130", t.get());
    ASSERT_TRUE(t.set("20000101000000.1239"));
    EXPECT_EQ("20000101000000.123", t.get());
}

TEST(Value, GeneralizedTimeRefusesMalformedTextAndKeepsItsValue) {
    GeneralizedTime t("20231011164600Z");
    for (const char* text :
         {"", "2023101116460", "2023101116460Z", "2023a011164600Z", "20231311164600Z",
          "20231000164600Z", "20231011244600Z", "20231011166000Z", "20231011164600.Z",
          "20231011164600.", "20231011164600+03", "20231011164600+0360", "20231011164600Z1",
          "20231011164600 ", "+2023101116460Z"}) {
        EXPECT_FALSE(t.set(text)) << text;
        EXPECT_EQ("20231011164600Z", t.get()) << text;
    }
}

TEST(Value, GeneralizedTimeSecondsAreUtcBothWays) {
    GeneralizedTime t;
    t.set_time_t(1697042760);  // 2023-10-11 16:46:00 UTC
    EXPECT_EQ("20231011164600", t.get());
    EXPECT_EQ(1697042760, t.get_time_t());
    GeneralizedTime later(2023, 10, 11, 16, 46, 1, 0, 0, false);
    EXPECT_EQ(-1, t.compare(later));
    GeneralizedTime utc(2023, 10, 11, 16, 46, 0, 0, 0, true);
    EXPECT_EQ(-1, t.compare(utc));
}

TEST(Value, EnumerationNamesFoundByNumber) {
    TEST::State state;
    EXPECT_STREQ("idle", state.getName());
    state.setFromInt(-1);
    EXPECT_EQ(nullptr, state.getName());
    state.setFromInt(2);
    EXPECT_EQ(nullptr, state.getName());
    EXPECT_TRUE(state.setFromName("busy"));
    EXPECT_TRUE(state.is_busy());
    EXPECT_FALSE(state.setFromName("asleep"));
    EXPECT_EQ(2, state.asInt());

    // Sparse numbers: the text carries "=N"; the name alone sets the number.
    TEST::Standby standby;
    EXPECT_STREQ("idle=0", standby.getName());
    standby = TEST::Standby::not_use;
    EXPECT_STREQ("not-use=-1", standby.getName());
    standby.setFromInt(9);
    EXPECT_STREQ("top=9", standby.getName());
    for (int gap : {3, 5, 8, 10}) {
        standby.setFromInt(gap);
        EXPECT_EQ(nullptr, standby.getName()) << gap;
    }
    EXPECT_TRUE(standby.setFromName("speak"));
    EXPECT_EQ(4, standby.asInt());
    EXPECT_TRUE(standby.setFromName("not-use"));
    EXPECT_EQ(-1, standby.asInt());
    EXPECT_FALSE(standby.setFromName("speak=4"));
    EXPECT_EQ(10, standby.asInt());

    // A number given to two items finds the first.
    static const char* const names[] = {"a", "b=1", "c=1"};
    static const int numbers[] = {0, 1, 1};
    static const EnumeratedInfo twice = {{&ENUMERATED::create, 10}, false, 1, names, 3, numbers};
    ENUMERATED value(1, &twice);
    EXPECT_STREQ("b=1", value.getName());
}

TEST(Value, NamedNumbersLookUpBothWays) {
    static const NameEntry entries[] = {{-5, "low"}, {0, "zero"}, {7, "lucky"}};
    static const NamedNumberInfo named = {
        {{&IntegerWithNamedNumber::create, 2}, Unconstrained, 0, 0xFFFFFFFFu}, entries, 3};
    IntegerWithNamedNumber n(7, &named);
    std::string name = "untouched";
    EXPECT_TRUE(n.getName(name));
    EXPECT_EQ("lucky", name);
    n.setValue(6);
    EXPECT_FALSE(n.getName(name));
    EXPECT_EQ("lucky", name);
    EXPECT_TRUE(n.setFromName("low"));
    EXPECT_EQ(-5, n.getValue());
    EXPECT_FALSE(n.setFromName("high"));
    EXPECT_EQ(-5, n.getValue());
}

TEST(Value, BitStringLayoutAndOrder) {
    BIT_STRING bits;
    bits.resize(9);
    EXPECT_EQ(2u, bits.getData().size());
    bits.set(8);
    EXPECT_EQ(char(0x80), bits.getData()[1]);
    EXPECT_TRUE(bits[8]);
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
}

TEST(Value, OctetStringsAreRawOctets) {
    OCTET_STRING text(octets({0x00, 0x41}));
    std::string s = text;
    ASSERT_EQ(2u, s.size());
    EXPECT_EQ('\0', s[0]);
    EXPECT_EQ(-1, OCTET_STRING(octets({1, 2})).compare(OCTET_STRING(octets({1, 2, 3}))));
    EXPECT_EQ(255, OCTET_STRING(octets({1, 0xFF})).compare(OCTET_STRING(octets({1, 0}))));
    OCTET_STRING filled(3, 'x');
    filled = octets({7});
    EXPECT_EQ(octets({7}), static_cast<std::vector<char>&>(filled));
}

TEST(Value, CharacterStrings) {
    IA5String ab("ab"), abc("abc"), b("b");
    EXPECT_LT(ab.compare(abc), 0);
    EXPECT_GT(b.compare(abc), 0);
    std::ostringstream os;
    os << IA5String("say \"hi\"");
    EXPECT_EQ("say \"hi\"", os.str());

    std::unique_ptr<AbstractString> copy(ab.clone());
    EXPECT_EQ(&IA5String::theInfo, copy->info());
    EXPECT_EQ("ab", static_cast<std::string&>(*copy));
    EXPECT_EQ(8u, copy->getNumBits(true));
    EXPECT_EQ(7u, copy->getNumBits(false));

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

    BMPString wide(L"\x0410\x0435");
    EXPECT_GT(wide.compare(BMPString(L"\x0410")), 0);
    wide.assign(L"xyz", 2);
    EXPECT_EQ(L"xy", static_cast<std::wstring&>(wide));
}
