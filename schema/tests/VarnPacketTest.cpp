// The Varn gateway packets inside controller messages: message numbers, repeated item
// numbers, and a command of several payload kinds on the wire.
#include "asn1/tests/PerTestSupport.h"
#include "schema/LGCP.h"
#include "schema/VARNGW.h"

#include <gtest/gtest.h>
#include <string>

using PerTest::decode;
using PerTest::encode;
using namespace VARNGW;

namespace {

TEST(VarnPackets, MessageNumbersAreTheExtensionBitAndTwoOctets) {
    EXPECT_EQ("00 10 01", encode(ProtoVarnMsgID(ProtoVarnMsgID::gw_get_id)));
    // A number between the named ones is no known message and prints as itself.
    ProtoVarnMsgID unnamed;
    ASSERT_TRUE(decode("00 10 07", unnamed));
    EXPECT_EQ(4103, unnamed.asInt());
    EXPECT_EQ("4103", unnamed.asValueNotation());
}

// Printing a repeated number gives the first of its names.
template <class E>
std::string printed(int number) {
    return PerTest::print(E(typename E::NamedNumber(number)));
}

TEST(VarnPackets, RepeatedNumbersPrintTheirFirstName) {
    EXPECT_EQ("rtx1", printed<ProtoVarnAnalogGainIDV1>(0));
    EXPECT_EQ("rdoc2", printed<ProtoVarnAnalogGainIDV2>(12));
    EXPECT_EQ("v1radioChannelsCount", printed<ProtoVarnCountersNSizes>(1));
    EXPECT_EQ("13", printed<ProtoVarnAnalogGainIDV1>(13));
    EXPECT_STREQ("min=0", ProtoVarnAnalogGainIDV1_enum_names__[12]);
    EXPECT_STREQ("max", ProtoVarnAnalogGainIDV2_enum_names__[4]);

    // The whole range 0..255 up to `fake` lies inside the root: one octet.
    EXPECT_EQ("00 FF", encode(ProtoVarnAnalogGainIDV1(ProtoVarnAnalogGainIDV1::fake)));
    ProtoVarnAnalogGainIDV2 gain;
    ASSERT_TRUE(decode("00 0C", gain));
    EXPECT_TRUE(gain.is_rdoc2() && gain.is_max());
}

ProtoVarnPacket packet(ProtoVarnMsgID::NamedNumber id, int seq) {
    ProtoVarnPacket p;
    p.set_msgLength(8);
    p.set_msgSeqNum(seq);
    p.set_msgID(id);
    p.set_stateProtocol(ProtoVarnProtocol::protocol_v2);
    p.set_stateMode(ProtoVarnMode::radio);
    p.set_stateMaster(0);
    p.set_srcAddr(ProtoVarnAddress::lgw);
    p.set_srcChannel(0);
    p.set_dstAddr(ProtoVarnAddress::rgw);
    p.set_dstChannel(2);
    return p;
}

// Four packets: a NULL payload, a list of numbers, the last alternative with a nested
// acknowledgement, and a configuration whose gain identifier is `fake`.
LGCP::Message protoVarnCommand() {
    ProtoVarnPackets packets;
    ProtoVarnPacket getId = packet(ProtoVarnMsgID::gw_get_id, 1);
    getId.set_payload().select_gw_get_id();
    packets.set_packets().push_back(getId);

    ProtoVarnPacket rs485 = packet(ProtoVarnMsgID::gw_rad_rs485_cmd, 2);
    auto& bytes = rs485.set_payload().select_gw_rad_rs485_cmd().set_payload();
    bytes.push_back(ASN1::INTEGER(16));
    bytes.push_back(ASN1::INTEGER(127));
    packets.set_packets().push_back(rs485);

    ProtoVarnPacket p1 = packet(ProtoVarnMsgID::ali_server_p1, 3);
    ProtoVarnPacketP1ServerPacket& server = p1.set_payload().select_ali_server_p1();
    server.set_command(ProtoVarnPacketP1ServerCommand::p1_srv_ack);
    server.set_session(1);
    ProtoVarnPacketP1SrvAckPacket& ack = server.set_payload().select_p1_srv_ack();
    ack.set_result(ProtoVarnPacketP1SrvAckResult::p1_srv_sts_success);
    ack.set_ack_command(ProtoVarnPacketP1ClientCommand::p1_cln_file_start);
    ack.set_payload().set_p1_file_start().set_block_size(512);
    ack.set_payload().set_p1_file_start().set_block_delay(20);
    packets.set_packets().push_back(p1);

    ProtoVarnPacket config = packet(ProtoVarnMsgID::gw_set_config, 4);
    ProtoVarnPacketPayloadRadioAnalogV1& radio =
        config.set_payload().select_gw_set_config().select_radio_analog_v1();
    radio.set_gain_id().push_back(ProtoVarnAnalogGainIDV1(ProtoVarnAnalogGainIDV1::fake));
    packets.set_packets().push_back(config);

    LGCP::Message message;
    message.set_pdu().select_command().select_protoVarn(packets);
    return message;
}

// Worked out bit by bit. Each packet's header: extension bit; msgLength 8 and msgSeqNum as
// length and octet; msgID as extension bit and two octets; protocol-v2 and radio as
// extension bit with 1 and 3 bits (44); stateMaster 0; lgw in 3 bits; srcChannel 0; rgw;
// dstChannel 2; then the payload's extension bit and its index in 7 bits.
const char* const protoVarnOctets =
    "07 00 04"                                            // command 14, four packets
    "00 01 08 01 01 00 10 01 44 01 00 00 01 00 20 01 02"  // gw-get-id (4097)
    "00"                                                  //   index 0, NULL
    "00 01 08 01 02 00 10 20 44 01 00 00 01 00 20 01 02"  // gw-rad-rs485-cmd (4128)
    "0C 00 02 01 10 01 7F"                                //   index 12, two numbers
    "00 01 08 01 03 00 33 00 44 01 00 00 01 00 20 01 02"  // ali-server-p1 (13056)
    "41 00 20 01 01 01"                                   //   index 65, p1-srv-ack 8193, session 1
    "40 10 02"                                            //   success, p1-cln-file-start 4098
    "40 02 02 00 01 14"                                   //   file start only: 512, 20
    "00 01 08 01 04 00 10 03 44 01 00 00 01 00 20 01 02"  // gw-set-config (4099)
    "02 00 00 01 00 FF 00 00";                            //   radio-analog-v1: no channels,
                                                          //   gain-id fake, no values, no pattern

TEST(VarnPackets, CommandOfSeveralPayloadKindsOnTheWire) {
    const LGCP::Message message = protoVarnCommand();
    EXPECT_EQ(PerTest::hex(PerTest::octets(protoVarnOctets)), encode(message));
    EXPECT_TRUE(PerTest::roundTrips(message));
    LGCP::Message back;
    ASSERT_TRUE(decode(protoVarnOctets, back));
    EXPECT_EQ(message, back);

    // Sparse numbers print as their names.
    const std::string text = PerTest::print(back);
    for (const char* part : {"msgID gw-rad-rs485-cmd", "msgID ali-server-p1", "command p1-srv-ack",
                             "ack-command p1-cln-file-start", "block-size 512", "fake"})
        EXPECT_NE(std::string::npos, text.find(part)) << part << " in " << text;
}

}  // namespace
