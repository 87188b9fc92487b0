// Reading value notation: what the writer prints reads back to an equal value, and text
// that is not a value of the type is refused.
#include "asn1/ASN1.h"
#include "asn1/AVNDecoder.h"
#include "asn1/Limits.h"
#include "asn1/tests/PerTestSupport.h"
#include "asn1/tests/RandomValue.h"
#include "asn1/tests/SchemaTypes.h"
#include "asn1/tests/WorkedRecord.h"
#include "asn1/tests/schema/TEST.h"

#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace ASN1;

namespace {

// Reads `text` into a fresh value of `value`'s type and compares.
::testing::AssertionResult readsBack(const AbstractData& value) {
    std::string text = value.asValueNotation();
    std::unique_ptr<AbstractData> back(AbstractData::create(value.info()));
    if (!back->setFromValueNotation(text))
        return ::testing::AssertionFailure() << "does not read: " << text;
    if (back->compare(value) != 0)
        return ::testing::AssertionFailure()
               << "reads as " << back->asValueNotation() << "\nfrom " << text;
    return ::testing::AssertionSuccess();
}

// A SEQUENCE of OPTIONAL fields only.
const void* const optionalInfos[] = {&INTEGER::theInfo, &BOOLEAN::theInfo};
const int optionalIds[] = {0, 1};
const char* const optionalNames[] = {"n", "flag"};
const SequenceInfo allOptional = {{&SEQUENCE::create, 0x10},
                                  false,
                                  optionalInfos,
                                  optionalIds,
                                  2,
                                  0,
                                  2,
                                  nullptr,
                                  nullptr,
                                  optionalNames};

const NameEntry namedEntries[] = {{-1, "minusOne"}, {1, "one"}};
const NamedNumberInfo named = {
    {{&IntegerWithNamedNumber::create, 2}, Unconstrained, 0, 0xFFFFFFFFu}, namedEntries, 2};

const TypeConstrainedOpenDataInfo openInteger = {{&TypeConstrainedOpenData::create, 0},
                                                 &INTEGER::theInfo};

}  // namespace

TEST(ValueNotationRead, WorkedExampleReadsBack) {
    TEST::Record record = PerTest::workedRecord();
    EXPECT_TRUE(readsBack(record));
    record.set_label("x");
    record.set_body().select_none();
    EXPECT_TRUE(readsBack(record));

    // The enumeration name ends before the ',' that the SEQUENCE reads.
    TEST::Record back;
    ASSERT_TRUE(back.setFromValueNotation(
        "{ id 5, state busy, body data : { octets '0a ff'H, flags '101'B }, items { 1, 2 } }"));
    EXPECT_EQ(0, back.compare(PerTest::workedRecord()));
}

TEST(ValueNotationRead, EveryKindOfValueReadsBack) {
    typedef std::function<AbstractData*()> Make;
    const Make values[] = {
        [] { return new IA5String("say \"hi\", \"\""); },
        [] { return new IA5String(std::string("nul\0 and\nline", 13)); },
        [] { return new BMPString(L"\x0410\x0435"); },
        [] { return new BMPString(L"plain \"quoted\""); },
        [] { return new BMPString(L""); },
        [] { return new Constrained_INTEGER<FixedConstraint, 0, 0xFFFFFFFFu>(0xFFFFFFFFu); },
        [] { return new INTEGER(INT_MIN); },
        [] { return new IntegerWithNamedNumber(-1, &named); },
        [] { return new IntegerWithNamedNumber(7, &named); },
        [] { return new TEST::Standby(TEST::Standby::not_use); },
        [] { return new ENUMERATED(7, &TEST::State::theInfo); },
        [] { return new ENUMERATED(-3, &TEST::State::theInfo); },
        [] {
            auto* oid = new OBJECT_IDENTIFIER;
            for (unsigned arc : {1u, 2u, 840u, 4294967295u}) oid->append(arc);
            return oid;
        },
        [] { return new OBJECT_IDENTIFIER; },
        [] { return new GeneralizedTime("20231011164600.250+0300"); },
        [] {
            auto* bits = new BIT_STRING;
            bits->resize(9);
            bits->set(8);
            return bits;
        },
        [] { return new OCTET_STRING(); },
        [] { return new SEQUENCE_OF<INTEGER>(); },
        [] { return new SEQUENCE(&allOptional); },
        [] {
            auto* open = new OpenData;
            open->grab(new std::vector<char>{char(0xC3), 0});
            return open;
        },
        [] { return AbstractData::create(&openInteger); },
    };
    for (const Make& make : values) {
        std::unique_ptr<AbstractData> value(make());
        EXPECT_TRUE(readsBack(*value));
    }
}

TEST(ValueNotationRead, RandomValuesReadBack) {
    std::mt19937 random(42);
    const char* const names[][2] = {{"TEST", "Pair"},    {"TEST", "PairExt"},
                                    {"TEST", "Record"},  {"TEST", "Extended"},
                                    {"LGCP", "Message"}, {"LGCP", "RtpParams"}};
    for (int i = 0; i < 600; ++i) {
        const PerTest::SchemaType* type = PerTest::findType(names[i % 6][0], names[i % 6][1]);
        std::unique_ptr<AbstractData> value(AbstractData::create(type->info));
        PerTest::randomize(*value, random);
        ASSERT_TRUE(readsBack(*value));
    }
}

TEST(ValueNotationRead, QuotedBitAndHexStrings) {
    const struct {
        const char* text;
        const char* octets;  // hex, or null for a refusal
        unsigned bits;
    } cases[] = {
        {"'1'B", "80", 1},
        {"'F'H", "F0", 4},
        {"'abc'H", "AB C0", 12},
        {"'0a ff'H", "0A FF", 16},
        {"'1011\n 0000 1'B", "B0 80", 9},
        {"''H", "", 0},
        {"'zz'H", nullptr, 0},
        {"'12'h", nullptr, 0},
        {"'+1'H", nullptr, 0},
        {"'-1'H", nullptr, 0},
        {"'12'B", nullptr, 0},
        {"'1\t0'B", nullptr, 0},
        {"'12", nullptr, 0},
        {"12'H", nullptr, 0},
    };
    for (const auto& c : cases) {
        std::istringstream is(c.text);
        std::vector<char> octets;
        unsigned bits = 0;
        bool read = get_value_from(is, octets, bits);
        EXPECT_EQ(c.octets != nullptr, read) << c.text;
        if (read && c.octets) {
            EXPECT_EQ(c.octets, PerTest::hex(octets)) << c.text;
            EXPECT_EQ(c.bits, bits) << c.text;
        }
    }
    // The string replaces what the value held.
    OCTET_STRING three(3, 'x');
    ASSERT_TRUE(three.setFromValueNotation("'0a ff'H"));
    EXPECT_EQ("0A FF", PerTest::hex(three));
}

TEST(ValueNotationRead, TextThatIsNoValueOfTheTypeIsRefused) {
    const struct {
        const void* info;
        const char* text;
    } cases[] = {
        {&INTEGER::theInfo, "abc"},
        {&INTEGER::theInfo, "2147483648"},
        {&Constrained_INTEGER<FixedConstraint, 0, 0xFFFFFFFFu>::theInfo, "-1"},
        {&Constrained_INTEGER<FixedConstraint, 0, 0xFFFFFFFFu>::theInfo, "4294967296"},
        {&BOOLEAN::theInfo, "true"},
        {&Null::theInfo, "NUL"},
        {&TEST::State::theInfo, "sleeping"},
        {&named, "two"},
        {&IA5String::theInfo, "\"open"},
        {&IA5String::theInfo, "bare"},
        {&BMPString::theInfo, "{{ 0, 0, 256, 0}}"},
        {&BMPString::theInfo, "{{ 1, 0, 0, 65}}"},
        {&BMPString::theInfo, "{{ 0, 0, 0, 65}"},
        {&OBJECT_IDENTIFIER::theInfo, "{ 1 x 3 }"},
        {&OBJECT_IDENTIFIER::theInfo, "{ 1 -3 }"},
        {&OBJECT_IDENTIFIER::theInfo, "{ 1 2"},
        {&GeneralizedTime::theInfo, "\"2023\""},
        {&TEST::Pick::theInfo, "number: 6"},
        {&TEST::Pick::theInfo, "unknown : NULL"},
        {&TEST::Pair::theInfo, "{}"},
        {&TEST::Pair::theInfo, "{ first 5 }"},
        {&TEST::Pair::theInfo, "{ second number : 6, first 5 }"},
        {&TEST::Pair::theInfo, "{ first 5, second number : 6"},
        {&TEST::Pair::theInfo, "{ first 5; second number : 6 }"},
        {&TEST::Record::theInfo, "{ state busy, id 5, body none : NULL, items { } }"},
        {&SEQUENCE_OF<INTEGER>::theInfo, "{ 1, 2"},
        {&SEQUENCE_OF<INTEGER>::theInfo, "{ 1 2 }"},
        {&SEQUENCE_OF<INTEGER>::theInfo, "{"},
        {&OpenData::theInfo, "5"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<AbstractData> value(AbstractData::create(c.info));
        EXPECT_FALSE(value->setFromValueNotation(c.text)) << c.text;
    }

    // Enough of a list is enough.
    SEQUENCE_OF<Null> list;
    std::string text = "{";
    for (unsigned i = 0; i <= MaximumArraySize; ++i) text += i ? ", NULL" : "NULL";
    EXPECT_FALSE(list.setFromValueNotation(text + "}"));
}

TEST(ValueNotationRead, OptionalFieldsComeFromTheTextAlone) {
    SEQUENCE value(&allOptional);
    ASSERT_TRUE(value.setFromValueNotation("{ n 4, flag TRUE }"));
    EXPECT_TRUE(value.hasOptionalField(0));
    ASSERT_TRUE(value.setFromValueNotation("{ flag FALSE, }"));  // a ',' before the brace
    EXPECT_FALSE(value.hasOptionalField(0));
    EXPECT_TRUE(value.hasOptionalField(1));
    ASSERT_TRUE(value.setFromValueNotation("{}"));
    EXPECT_FALSE(value.hasOptionalField(1));
    EXPECT_FALSE(value.setFromValueNotation("{ flag TRUE, n 4 }"));
}

TEST(ValueNotationRead, StreamsAndTheCoderEnvironment) {
    std::istringstream is("  5\n{ first 7, second flag : TRUE } -3 x");
    INTEGER five;
    TEST::Pair pair;
    INTEGER minusThree, unread(9);
    is >> five >> pair >> minusThree;
    EXPECT_TRUE(is.good());
    EXPECT_EQ(5, five.getValue());
    EXPECT_EQ(7u, pair.get_first().getValue());
    EXPECT_EQ(-3, minusThree.getValue());
    is >> unread;
    EXPECT_TRUE(is.fail());
    is >> unread;  // a failed stream is left alone
    EXPECT_EQ(9, unread.getValue());

    std::istringstream empty("   ");
    empty >> unread;
    EXPECT_TRUE(empty.fail());

    CoderEnv env;
    env.set_encodingRule(CoderEnv::avn);
    TEST::Record record = PerTest::workedRecord();
    std::vector<char> text;
    ASSERT_TRUE(encode(record, &env, std::back_inserter(text)));
    TEST::Record back;
    ASSERT_TRUE(decode(text.data(), text.data() + text.size(), &env, back, false));
    EXPECT_EQ(0, back.compare(record));
    EXPECT_FALSE(decode(text.data(), text.data() + text.size() / 2, &env, back, false));
}
