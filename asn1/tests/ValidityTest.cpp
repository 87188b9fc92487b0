// Validity checks and the constraint tracer: each rule at its edges, and the tracer finding
// a fault exactly where isValid does, with the path to it.
#include "asn1/ASN1.h"
#include "asn1/InvalidTracer.h"
#include "asn1/tests/schema/LGCP.h"
#include "asn1/tests/schema/TEST.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <type_traits>

using namespace ASN1;

namespace {

std::string trace(const AbstractData& value) {
    InvalidTracer tracer;
    value.accept(tracer);
    std::ostringstream os;
    os << tracer;
    return os.str();
}

template <ConstraintType kind, int lower, unsigned upper>
AbstractData* integer(int value) {
    auto* n = new Constrained_INTEGER<kind, lower, upper>;
    n->setValue(value);
    return n;
}

const ConstrainedInfo octetsUpTo2 = {{&OCTET_STRING::create, 4}, ExtendableConstraint, 0, 2};
const ConstrainedInfo octets1To2 = {{&OCTET_STRING::create, 4}, FixedConstraint, 1, 2};
const ConstrainedInfo bitsUpTo3 = {{&BIT_STRING::create, 3}, FixedConstraint, 0, 3};
const StringInfo anyCharacter = {
    {{&AbstractString::create, 22}, Unconstrained, 0, 0xFFFFFFFFu}, "", 0, 8, 8, 8};
const BMPStringInfo printable = {
    {{&BMPString::create, 30}, Unconstrained, 0, 0xFFFFFFFFu}, 0x20, 0x7E, 7, 8};
const SequenceOfInfo oneOrTwo = {{{&SEQUENCE_OF_Base::create, 0x10}, FixedConstraint, 1, 2},
                                 &Null::theInfo};

// A value of `n` arcs, bits or elements.
template <class T, class... Info>
T* list(unsigned n, Info... info) {
    auto* value = new T(info...);
    if constexpr (std::is_same_v<T, OBJECT_IDENTIFIER>)
        for (unsigned i = 0; i < n; ++i) value->append(1);
    else
        value->resize(n);
    return value;
}

AbstractData* choiceAt(const void* info, int id) {
    auto* choice = new CHOICE(info);
    choice->setSelection(id, new Null);
    return choice;
}

}  // namespace

TEST(Validity, EveryRuleAndWhatTheTracerSays) {
    const struct {
        std::function<AbstractData*()> make;
        bool valid, strict;
        const char* text;
    } cases[] = {
        {[] { return integer<FixedConstraint, 1, 50>(0); }, false, false,
         " The INTEGER value 0 is smaller than lower bound 1"},
        {[] { return integer<FixedConstraint, 1, 50>(50); }, true, true, ""},
        {[] { return integer<FixedConstraint, 1, 50>(51); }, false, false,
         " The INTEGER value 51 is greater than upper bound 50"},
        {[] { return integer<FixedConstraint, 1, 50>(-1); }, false, false,
         " The INTEGER value 4294967295 is greater than upper bound 50"},
        {[] { return integer<FixedConstraint, -128, 127>(-5); }, true, true, ""},
        {[] { return integer<FixedConstraint, -128, 127>(127); }, true, true, ""},
        {[] { return integer<FixedConstraint, -128, 127>(128); }, false, false,
         " The INTEGER value 128 is greater than upper bound 127"},
        {[] { return integer<FixedConstraint, -128, 127>(-129); }, false, false,
         " The INTEGER value -129 is smaller than lower bound -128"},
        {[] { return new INTEGER(-1); }, true, true, ""},
        {[] { return integer<ExtendableConstraint, 1, 7>(9); }, true, false, ""},
        {[] { return new LGCP::ErrorCause(LGCP::ErrorCause::NamedNumber(13)); }, true, false, ""},
        {[] { return new ENUMERATED(2, &TEST::State::theInfo); }, false, false,
         " This ENUMERATED has invalid value 2"},
        // A number the wire cannot carry is no number of the type.
        {[] { return new TEST::Standby(TEST::Standby::not_use); }, false, false,
         " This ENUMERATED has invalid value -1"},
        {[] { return new TEST::Standby(TEST::Standby::top); }, true, true, ""},
        {[] { return list<OBJECT_IDENTIFIER>(1); }, false, false,
         " This OBJECT IDENTIFIER is not assigned"},
        {[] { return new GeneralizedTime(2023, 10, 11, 24, 0, 0, 0, 0, true); }, true, true, ""},
        {[] { return new GeneralizedTime(2023, 13, 11, 12, 0, 0, 0, 0, true); }, false, false,
         " This GeneralizedTime is not valid"},
        {[] { return new GeneralizedTime(2023, 10, 11, 12, 0, 0, 0, 721, false); }, false, false,
         " This GeneralizedTime is not valid"},
        {[] { return new OCTET_STRING(3, 'x', &octetsUpTo2); }, true, false, ""},
        {[] { return new OCTET_STRING(0, 'x', &octets1To2); }, false, false,
         " This OCTET STRING has size 0 smaller than its lower bound 1"},
        {[] { return list<BIT_STRING>(4, &bitsUpTo3); }, false, false,
         " This BIT STRING has size 4 greater than its upper bound 3"},
        {[] { return new AbstractString(&anyCharacter, std::string("\0\xFF", 2)); }, true, true,
         ""},
        {[] { return new NumericString("12a"); }, false, false,
         " The character 'a' is not valid for the string"},
        {[] { return new AbstractString(&LGCP::RtpParams::dname::value_type::theInfo, ""); }, false,
         false, " This AbstractString has size 0 smaller than its lower bound 1"},
        {[] { return new BMPString(L"A\x410", &printable); }, false, false,
         " The character '1040' is not valid for the string"},
        {[] { return new SEQUENCE_OF_Base(&oneOrTwo); }, false, false,
         " This SEQUENCE OF has size 0 smaller than its lower bound 1"},
        {[] { return new OpenData; }, false, false,
         " This Open Type does not contain any valid data"},
        {[] {
             auto* open = new OpenData;
             open->grab(new std::vector<char>(1, 'x'));
             return open;
         },
         true, true, ""},
        {[] { return new OpenData(new TEST::Standby(TEST::Standby::NamedNumber(3))); }, true, true,
         ""},
        {[] { return new TEST::Pick; }, false, false, " This CHOICE is not selected"},
        {[] { return choiceAt(&TEST::PickExt::theInfo, 3); }, true, false, ""},
        {[] { return choiceAt(&TEST::Pick::theInfo, 3); }, false, false,
         " This CHOICE has no alternative 3"},
        {[] {
             auto* message = new LGCP::Message;
             message->set_slot(2000);
             message->set_pdu().select_command().select_ping();
             return message;
         },
         false, false, ".slot The INTEGER value 2000 is greater than upper bound 1023"},
        {[] {
             auto* message = new LGCP::Message;
             message->set_pdu().select(7);
             return message;
         },
         false, false, ".pdu This selection is not understood by this decoder"},
        {[] {
             auto* holders = list<SEQUENCE_OF<TEST::Holder>>(5);
             for (unsigned i = 0; i < holders->size(); ++i)
                 (*holders)[i].set_x().select_y().setValue(i == 3 ? 9 : 7);
             return holders;
         },
         false, false, "[3].x.y The INTEGER value 9 is greater than upper bound 7"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<AbstractData> value(c.make());
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.valid, value->isValid());
        EXPECT_EQ(c.strict, value->isStrictlyValid());
        EXPECT_EQ(c.text, trace(*value));
        std::ostringstream os;
        EXPECT_EQ(c.valid, trace_invalid(os, "bad message:", *value));
        EXPECT_EQ(c.valid ? "" : std::string("bad message:") + c.text + "\n", os.str());
    }
}
