// Value notation as the logs show it: layout, every kind of value, and a stream that
// never goes silent because one value could not be printed.
#include "asn1/ASN1.h"
#include "asn1/AVNEncoder.h"
#include "asn1/IOWrapper.h"
#include "asn1/tests/schema/LGCP.h"
#include "asn1/tests/WorkedRecord.h"
#include "asn1/tests/schema/TEST.h"

#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>

using namespace ASN1;

namespace {

std::string print(const AbstractData& value) {
    std::ostringstream os;
    os << value;
    EXPECT_TRUE(os.good());
    return os.str();
}

// A SEQUENCE { inner Inner, list SEQUENCE OF INTEGER } whose Inner holds one OPTIONAL field.
const void* const innerInfos[] = {&INTEGER::theInfo};
const int innerIds[] = {0};
const char* const innerNames[] = {"a"};
const SequenceInfo innerInfo = {
    {&SEQUENCE::create, 0x10}, false, innerInfos, innerIds, 1, 0, 1, nullptr, nullptr, innerNames};
const void* const outerInfos[] = {&innerInfo, &SEQUENCE_OF<INTEGER>::theInfo};
const int outerIds[] = {-1, -1};
const char* const outerNames[] = {"inner", "list"};
const SequenceInfo outerInfo = {
    {&SEQUENCE::create, 0x10}, false, outerInfos, outerIds, 2, 0, 0, nullptr, nullptr, outerNames};

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

    record.set_body().select_none();
    record.set_label("x");
    EXPECT_EQ(
        "{\n  id 5,\n  label \"x\",\n  state busy,\n  body none : NULL,\n"
        "  items {\n    1,\n    2\n  }\n}",
        print(record));
}

TEST(ValueNotation, EmptyConstructedValues) {
    SEQUENCE outer(&outerInfo);
    EXPECT_EQ("{\n  inner {\n  },\n  list {\n  }\n}", print(outer));
    EXPECT_EQ("{\n}", print(SEQUENCE(&innerInfo)));
    EXPECT_EQ("{\n}", print(SEQUENCE_OF<INTEGER>()));

    static_cast<SEQUENCE_OF<INTEGER>*>(outer.getField(1))->push_back(INTEGER(9));
    EXPECT_EQ("{\n  inner {\n  },\n  list {\n    9\n  }\n}", print(outer));
}

TEST(ValueNotation, ScalarsAndStrings) {
    EXPECT_EQ("''H", print(OCTET_STRING()));
    EXPECT_EQ("''B", print(BIT_STRING()));
    EXPECT_EQ("{ }", print(OBJECT_IDENTIFIER()));
    OBJECT_IDENTIFIER oid;
    for (unsigned arc : {1u, 3u, 6u}) oid.append(arc);
    EXPECT_EQ("{ 1 3 6 }", print(oid));
    EXPECT_EQ("TRUE", print(BOOLEAN(true)));
    EXPECT_EQ("\"a \\b\"", print(static_cast<const AbstractData&>(IA5String("a \\b"))));
    EXPECT_EQ("\"20231011164600.250+0300\"", print(GeneralizedTime("20231011164600.250+0300")));

    EXPECT_EQ("4294967295",
              print(Constrained_INTEGER<FixedConstraint, 0, 4294967295u>(0xFFFFFFFFu)));
    EXPECT_EQ("-1", print(INTEGER(-1)));
    Constrained_INTEGER<FixedConstraint, -128, 127> small;
    small.setValue(-5);
    EXPECT_EQ("-5", print(small));

    static const NameEntry entries[] = {{1, "one"}};
    static const NamedNumberInfo named = {
        {{&IntegerWithNamedNumber::create, 2}, Unconstrained, 0, 0xFFFFFFFFu}, entries, 1};
    EXPECT_EQ("one", print(IntegerWithNamedNumber(1, &named)));
    EXPECT_EQ("2", print(IntegerWithNamedNumber(2, &named)));

    // Characters the locale cannot write come out as quadruples.
    EXPECT_EQ("{{ 0, 0, 4, 16}, { 0, 0, 4, 53}}", print(BMPString(L"\x0410\x0435")));
    EXPECT_EQ("\"ok\"", print(BMPString(L"ok")));
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

TEST(ValueNotation, EveryItemOfASparseEnumeration) {
    std::string text;
    for (int n = -2; n <= 10; ++n) {
        TEST::Standby value;
        value.setFromInt(n);
        text += print(value) + " ";
    }
    EXPECT_EQ("-2 not-use idle learn listen 3 speak 5 6 7 8 top 10 ", text);
    TEST::State state;
    state.setFromInt(7);
    EXPECT_EQ("7", print(state));
}

TEST(ValueNotation, ExtensionAdditionsReadLikeRootFields) {
    TEST::Extended value;
    value.set_a(1);
    value.set_z({char(0xAB)});
    EXPECT_EQ("{\n  a 1,\n  z 'ab'H\n}", print(value));
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

    OpenData typed(new INTEGER(4)), raw, empty;
    raw.grab(new std::vector<char>(1, char(0xC3)));
    EXPECT_EQ("4", print(typed));
    EXPECT_EQ("'c3'H", print(raw));
    EXPECT_EQ("<empty>", print(empty));
}

TEST(ValueNotation, BadStreamsGetNothing) {
    std::ostringstream os;
    os.setstate(std::ios_base::failbit);
    os << INTEGER(5);
    os.clear();
    EXPECT_EQ("", os.str());
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

TEST(ValueNotation, GuardTurnsExceptionsIntoStreamState) {
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

TEST(ValueNotation, MessageOfTheControllerLink) {
    LGCP::Message message;
    message.set_seq(3);
    message.set_slot(17);
    LGCP::Command& command = message.set_pdu().select_command();
    LGCP::RtpParams& rtp = command.select_create().select_rtp().set_codecRTP();
    rtp.set_payload(LGCP::Payload::pcma);
    rtp.set_dhost().set_iaddr("10.0.0.1");
    rtp.set_dhost().set_port(4000);
    rtp.set_dname("gw");
    EXPECT_EQ(
        "{\n"
        "  seq 3,\n"
        "  slot 17,\n"
        "  pdu command : create : rtp : {\n"
        "    codecRTP {\n"
        "      payload pcma,\n"
        "      dhost {\n"
        "        iaddr \"10.0.0.1\",\n"
        "        port 4000\n"
        "      },\n"
        "      dname \"gw\"\n"
        "    },\n"
        "    txPayload pcmu,\n"
        "    rxPayload pcmu\n"
        "  }\n"
        "}",
        print(message));
}
