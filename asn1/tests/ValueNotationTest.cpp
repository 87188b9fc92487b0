// Value notation as the logs show it: the layout of every kind of value, the text read back
// to an equal value, text that is no value of the type refused, and a stream that never goes
// silent because one value could not be printed.
#include "asn1/ASN1.h"
#include "asn1/AVNDecoder.h"
#include "asn1/AVNEncoder.h"
#include "asn1/IOWrapper.h"
#include "asn1/Limits.h"
#include "asn1/tests/PerTestSupport.h"
#include "asn1/tests/WorkedValues.h"
#include "asn1/tests/schema/LGCP.h"
#include "asn1/tests/schema/TEST.h"

#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <stdexcept>

using namespace ASN1;
using PerTest::print;

namespace {

// Reads the value's text into a fresh value of its type and compares.
testing::AssertionResult readsBack(const AbstractData& value) {
    const std::string text = value.asValueNotation();
    std::unique_ptr<AbstractData> back(AbstractData::create(value.info()));
    if (!back->setFromValueNotation(text))
        return testing::AssertionFailure() << "does not read: " << text;
    if (back->compare(value) != 0)
        return testing::AssertionFailure() << "reads as " << *back << "\nfrom " << text;
    return testing::AssertionSuccess();
}

const NameEntry namedEntries[] = {{-1, "minusOne"}, {1, "one"}};
const NamedNumberInfo named = {
    {{&IntegerWithNamedNumber::create, 2}, Unconstrained, 0, 0xFFFFFFFFu}, namedEntries, 2};
const TypeConstrainedOpenDataInfo openInteger = {{&TypeConstrainedOpenData::create, 0},
                                                 &INTEGER::theInfo};

typedef Constrained_INTEGER<FixedConstraint, 0, 0xFFFFFFFFu> Unsigned32;

}  // namespace

TEST(ValueNotation, WorkedExampleByteForByte) {
    TEST::Record record = PerTest::workedRecord();
    EXPECT_EQ(
        "{\n"
        "  id 5,\n"
        "  state busy,\n"
        "  body data : {\n"
        "    octets '0a ff'H,\n"
        "    flags '101'B\n"
        "  },\n"
        "  items {\n"
        "    1,\n"
        "    2\n"
        "  }\n"
        "}",
        print(record));
    EXPECT_EQ(print(record), record.asValueNotation());
    EXPECT_TRUE(readsBack(record));
    // The enumeration name ends before the ',' that the SEQUENCE reads.
    TEST::Record back;
    ASSERT_TRUE(back.setFromValueNotation(
        "{ id 5, state busy, body data : { octets '0a ff'H, flags '101'B }, items { 1, 2 } }"));
    EXPECT_EQ(record, back);
}

TEST(ValueNotation, EveryKindOfValuePrintsAndReadsBack) {
    const struct {
        std::function<AbstractData*()> make;
        const char* text;  // null: read back only
    } cases[] = {
        {[] { return new OCTET_STRING(); }, "''H"},
        {[] { return new BIT_STRING(); }, "''B"},
        {[] {
             auto* bits = new BIT_STRING;
             bits->resize(9);
             bits->set(8);
             return bits;
         },
         "'000000001'B"},
        {[] { return new OBJECT_IDENTIFIER; }, "{ }"},
        {[] {
             auto* oid = new OBJECT_IDENTIFIER;
             for (unsigned arc : {1u, 2u, 840u, 4294967295u}) oid->append(arc);
             return oid;
         },
         "{ 1 2 840 4294967295 }"},
        {[] { return new BOOLEAN(true); }, "TRUE"},
        {[] { return new IA5String("a \\b"); }, "\"a \\b\""},
        {[] { return new IA5String("say \"hi\", \"\""); }, "\"say \"\"hi\"\", \"\"\"\"\""},
        {[] { return new IA5String(std::string("nul\0 and\nline", 13)); }, nullptr},
        {[] { return new GeneralizedTime("20231011164600.250+0300"); },
         "\"20231011164600.250+0300\""},
        {[] { return new Unsigned32(0xFFFFFFFFu); }, "4294967295"},
        {[] { return new INTEGER(INT_MIN); }, "-2147483648"},
        {[] { return new Constrained_INTEGER<FixedConstraint, -128, 127>(unsigned(-5)); }, "-5"},
        {[] { return new Null; }, "NULL"},
        {[] { return new IntegerWithNamedNumber(-1, &named); }, "minusOne"},
        {[] { return new IntegerWithNamedNumber(7, &named); }, "7"},
        {[] { return new TEST::Standby(TEST::Standby::not_use); }, "not-use"},
        {[] { return new ENUMERATED(-3, &TEST::State::theInfo); }, "-3"},
        // Characters the locale cannot write come out as quadruples.
        {[] { return new BMPString(L"\x0410\x0435"); }, "{{ 0, 0, 4, 16}, { 0, 0, 4, 53}}"},
        {[] { return new BMPString(L"plain \"quoted\""); }, "\"plain \"\"quoted\"\"\""},
        {[] { return new SEQUENCE_OF<INTEGER>(); }, "{\n}"},
        {[] { return new TEST::AllOptional; }, "{\n}"},
        {[] { return new TEST::Outer; }, "{\n  inner {\n  },\n  list {\n  }\n}"},
        {[] {
             auto* outer = new TEST::Outer;
             outer->set_list().push_back(INTEGER(9));
             outer->set_inner().set_flag(false);
             return outer;
         },
         "{\n  inner {\n    flag FALSE\n  },\n  list {\n    9\n  }\n}"},
        {[] {
             auto* value = new TEST::Extended;  // additions read like root fields
             value->set_a(1);
             value->set_z({char(0xAB)});
             return value;
         },
         "{\n  a 1,\n  z 'ab'H\n}"},
        {[] {
             auto* open = new OpenData;
             open->grab(new std::vector<char>{char(0xC3), 0});
             return open;
         },
         "'c3 00'H"},
        {[] { return AbstractData::create(&openInteger); }, "0"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<AbstractData> value(c.make());
        if (c.text) {
            EXPECT_EQ(c.text, print(*value));
        }
        EXPECT_TRUE(readsBack(*value));
    }
}

TEST(ValueNotation, OctetStringLeavesTheStreamFormatAsItFoundIt) {
    std::ostringstream os;
    TEST::Data data;
    data.set_octets({char(0x1F)});
    os << data << ' ' << 31 << ' ';
    os.width(4);
    os << 7;
    EXPECT_EQ("{\n  octets '1f'H,\n  flags ''B\n} 31    7", os.str());
}

TEST(ValueNotation, UnprintableValuesLeaveAMarkerAndAGoodStream) {
    TEST::Record record = PerTest::workedRecord();
    record.set_body() = TEST::Body();
    std::ostringstream os;
    os << record << " next";
    EXPECT_TRUE(os.good());
    EXPECT_EQ(
        "{\n  id 5,\n  state busy,\n  body <unselected>,\n  items {\n    1,\n    2\n  }\n} next",
        os.str());

    record.set_body().select(5);
    AVNEncoder writer(os);
    EXPECT_TRUE(record.accept(writer));
    EXPECT_FALSE(writer.printable());
    EXPECT_NE(std::string::npos, record.asValueNotation().find("body <not understood>,"));

    TEST::Pick unnamed;
    unnamed.setSelection(3, new Null);  // no alternative 3 is known
    EXPECT_EQ("<not understood>", print(unnamed));
    EXPECT_EQ("<empty>", print(OpenData()));
}

namespace {

// Stands in for a value whose writer throws.
struct Throwing {
    bool badAlloc;
    std::ios_base::iostate print_on(std::ostream&) const {
        if (badAlloc) throw std::bad_alloc();
        throw std::runtime_error("writer");
    }
};

}  // namespace

TEST(ValueNotation, StreamStatesAndExceptions) {
    std::ostringstream failed;
    failed.setstate(std::ios_base::failbit);
    failed << INTEGER(5);  // a failed stream gets nothing
    failed.clear();
    EXPECT_EQ("", failed.str());

    std::ostringstream os;
    g_inserter(os, Throwing{false});
    EXPECT_TRUE(os.fail());
    EXPECT_FALSE(os.bad());
    std::ostringstream bad;
    g_inserter(bad, Throwing{true});
    EXPECT_TRUE(bad.bad());

    std::ostringstream strict;
    strict.exceptions(std::ios_base::failbit);
    EXPECT_THROW(g_inserter(strict, Throwing{false}), std::runtime_error);
    EXPECT_TRUE(strict.fail());
    std::ostringstream strictBad;
    strictBad.exceptions(std::ios_base::badbit);
    EXPECT_THROW(g_inserter(strictBad, Throwing{true}), std::bad_alloc);
    EXPECT_TRUE(strictBad.bad());
}

// Nested alternatives stay on their field's line.
TEST(ValueNotation, MessageOfTheControllerLink) {
    LGCP::Message message;
    message.set_slot(17);
    message.set_pdu().select_command().select_create().select_mixerOut();
    EXPECT_EQ("{\n  slot 17,\n  pdu command : create : mixerOut : NULL\n}", print(message));
    EXPECT_TRUE(readsBack(message));
}

TEST(ValueNotation, QuotedBitAndHexStrings) {
    const struct {
        const char* text;
        const char* octets;  // hex, or null for a refusal
        unsigned bits;
    } cases[] = {
        // clang-format off
        {"'1'B", "80", 1}, {"'F'H", "F0", 4}, {"'abc'H", "AB C0", 12}, {"'0a ff'H", "0A FF", 16},
        {"'1011\n 0000 1'B", "B0 80", 9}, {"''H", "", 0},
        {"'zz'H", nullptr, 0}, {"'12'h", nullptr, 0}, {"'+1'H", nullptr, 0}, {"'-1'H", nullptr, 0},
        {"'12'B", nullptr, 0}, {"'1\t0'B", nullptr, 0}, {"'12", nullptr, 0}, {"12'H", nullptr, 0},
        // clang-format on
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

TEST(ValueNotation, TextThatIsNoValueOfTheTypeIsRefused) {
    const struct {
        const void* info;
        const char* text;
    } cases[] = {
        // clang-format off
        {&INTEGER::theInfo, "abc"}, {&INTEGER::theInfo, "2147483648"},
        {&Unsigned32::theInfo, "-1"}, {&Unsigned32::theInfo, "4294967296"},
        {&BOOLEAN::theInfo, "true"}, {&Null::theInfo, "NUL"}, {&TEST::State::theInfo, "sleeping"},
        {&named, "two"}, {&IA5String::theInfo, "\"open"}, {&IA5String::theInfo, "bare"},
        {&BMPString::theInfo, "{{ 0, 0, 256, 0}}"}, {&BMPString::theInfo, "{{ 0, 0, 0, 65}"},
        {&BMPString::theInfo, "{{ 1, 0, 0, 65}}"},
        {&OBJECT_IDENTIFIER::theInfo, "{ 1 -3 }"}, {&OBJECT_IDENTIFIER::theInfo, "{ 1 2"},
        {&GeneralizedTime::theInfo, "\"2023\""}, {&TEST::Pick::theInfo, "number: 6"},
        {&TEST::Pick::theInfo, "unknown : NULL"}, {&TEST::Pair::theInfo, "{ first 5 }"},
        {&TEST::Pair::theInfo, "{ second number : 6, first 5 }"},
        {&TEST::Pair::theInfo, "{ first 5, second number : 6"},
        {&TEST::Pair::theInfo, "{ first 5; second number : 6 }"},
        {&TEST::Record::theInfo, "{ state busy, id 5, body none : NULL, items { } }"},
        {&SEQUENCE_OF<INTEGER>::theInfo, "{ 1, 2"}, {&SEQUENCE_OF<INTEGER>::theInfo, "{ 1 2 }"},
        {&OpenData::theInfo, "5"},
        // clang-format on
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

TEST(ValueNotation, OptionalFieldsComeFromTheTextAlone) {
    TEST::AllOptional value;
    ASSERT_TRUE(value.setFromValueNotation("{ n 4, flag TRUE }"));
    EXPECT_TRUE(value.n_isPresent());
    ASSERT_TRUE(value.setFromValueNotation("{ flag FALSE, }"));  // a ',' before the brace
    EXPECT_FALSE(value.n_isPresent());
    EXPECT_TRUE(value.flag_isPresent());
    ASSERT_TRUE(value.setFromValueNotation("{}"));
    EXPECT_FALSE(value.flag_isPresent());
    EXPECT_FALSE(value.setFromValueNotation("{ flag TRUE, n 4 }"));
}

TEST(ValueNotation, StreamsAndTheCoderEnvironment) {
    std::istringstream is("  5\n{ first 7, second flag : TRUE } -3 x");
    INTEGER five, minusThree, unread(9);
    TEST::Pair pair;
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
    const std::string text = PerTest::workedRecord().asValueNotation();
    TEST::Record back;
    EXPECT_FALSE(decode(text.data(), text.data() + text.size() / 2, &env, back, false));
}
