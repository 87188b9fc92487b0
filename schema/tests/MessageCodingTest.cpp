// The messages of the controller link and of the SNMP-agent link on the wire (aligned PER).
#include "asn1/tests/PerTestSupport.h"
#include "asn1/tests/RecordValue.h"
#include "schema/LGCP.h"
#include "schema/MON.h"

#include <gtest/gtest.h>
#include <string>

using PerTest::decode;
using PerTest::encode;

namespace {

LGCP::Message command(const LGCP::Command& c) {
    LGCP::Message message;
    message.set_pdu().select_command(c);
    return message;
}

TEST(MessageFrame, Bodies) {
    LGCP::Message ping = command(LGCP::Command(LGCP::Command::ping::Id{}, ASN1::Null()));
    EXPECT_EQ("06 00", encode(ping));

    LGCP::Message error;
    error.set_seq(5);
    error.set_pdu().select_response().select_error(LGCP::ErrorCause::invalidSlot);
    EXPECT_EQ("80 01 05 62", encode(error));

    LGCP::Message success;
    success.set_seq(7);
    success.set_pdu().select_response().select_success();
    EXPECT_EQ("80 01 07 40", encode(success));

    EXPECT_TRUE(PerTest::roundTrips(error));
}

TEST(MessageFrame, UnknownCommandIsNotUnderstood) {
    LGCP::Message back;
    // Command: extension bit 1, addition 0 (not known here), an open type of one octet.
    ASSERT_TRUE(decode("08 00 01 00", back));
    EXPECT_TRUE(back.get_pdu().command_isSelected());
    EXPECT_EQ(-2, back.get_pdu().get_command().currentSelection());
}

TEST(MessageFrame, EveryCommandIndexTravels) {
    for (unsigned index = 0; index < 15; ++index) {
        auto value = RecordValue::make(&LGCP::Command::theInfo, true, index);
        std::vector<char> octets =
            PerTest::octets(encode(command(static_cast<LGCP::Command&>(*value))));
        ASSERT_GE(octets.size(), 2u) << index;
        // Two absent optionals, PDU 0, no extension bit: the index is in bits 5 to 8.
        EXPECT_EQ(index, unsigned(octets[0] & 0x07) << 1 | unsigned(octets[1] & 0x80) >> 7);
        LGCP::Message back;
        ASSERT_TRUE(decode(PerTest::hex(octets), back)) << index;
        EXPECT_EQ(int(index), back.get_pdu().get_command().currentSelection());
    }
}

MON::Message monCommand(const MON::Command& c) {
    MON::Message message;
    message.set_pdu().select_command(c);
    return message;
}

// The goldens of the agent link; every type's round trip is the schema-wide one.
TEST(AgentLink, MessagesOnTheWire) {
    MON::Command empty;
    empty.select_snmp_set();
    EXPECT_EQ("00 00", encode(monCommand(empty)));
    MON::SnmpTrapsink sink;
    sink.set_host("nms");
    MON::Command sinks;
    sinks.select_snmp_trapsink_set().ref_trapsinks().push_back(sink);
    // Command 1; a list of one element, `port` absent, "nms".
    EXPECT_EQ("08 01 00 03 6E 6D 73", encode(monCommand(sinks)));
    EXPECT_EQ("18", encode(monCommand(MON::Command(MON::Command::ping::Id{}, ASN1::Null()))));
}

}  // namespace
