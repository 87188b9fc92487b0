// The parameter records on the wire: choice indexes, sparse enumerations, constrained
// fields the encoder refuses, and the one signal of a worked byte sequence.
#include "asn1/tests/PerTestSupport.h"
#include "schema/ACP.h"
#include "schema/LGCP.h"
#include "schema/TERM.h"

#include <gtest/gtest.h>
#include <string>

using PerTest::decode;
using PerTest::encode;

namespace {

TEST(ParameterCoding, CreateParamsIndexIsAnExtensionBitAndFiveBits) {
    LGCP::TrunkParams trunk;
    trunk.set_trunk(1);
    trunk.set_timeslot(2);
    // 0 00111 (pad) | trunk 0..255 in one octet | timeslot 0..31 in 5 bits.
    EXPECT_EQ("1C 01 10", encode(LGCP::CreateParams(LGCP::CreateParams::trunk::Id{}, trunk)));
    EXPECT_EQ("20 01 10", encode(LGCP::CreateParams(LGCP::CreateParams::trunk_bri::Id{}, trunk)));
    LGCP::CreateParams back;
    ASSERT_TRUE(decode("20 01 10", back));
    ASSERT_TRUE(back.trunk_bri_isSelected());
    EXPECT_EQ(trunk, back.get_trunk_bri());

    LGCP::CreateParams qsig;
    qsig.select_ats_qsig_b().set_slot(1023);
    qsig.ref_ats_qsig_b().set_subslot(3);
    // 0 10010, then the record's extension bit 0, slot in two octets, subslot 1..3 in 2 bits.
    EXPECT_EQ("48 03 FF 80", encode(qsig));
    qsig.ref_ats_qsig_b().set_subslot(4);
    EXPECT_EQ("FAIL", encode(qsig));
}

TEST(ParameterCoding, IoctlIndexes) {
    LGCP::IoctlParams off;
    off.select_deactivateRecord();
    EXPECT_EQ("02", encode(off));  // 0 000001
    LGCP::IoctlParams selcal;
    selcal.select_selcal().set_signs("A");
    EXPECT_EQ("4A 01 41", encode(selcal));  // 0 100101, `amp` absent, "A"

    // No extension bit: four bits of index.
    EXPECT_EQ("30 01 05", encode(LGCP::IoctlResponse(LGCP::IoctlResponse::ss7BSN::Id{}, 5)));
    LGCP::IoctlResponse packages;
    packages.select_hdlcPackages();
    EXPECT_EQ("80 00", encode(packages));
}

TEST(ParameterCoding, ActivateTonecKeepsElementOrder) {
    LGCP::IoctlParams tonec;
    auto& masks = tonec.select_activateTonec();
    masks.push_back(LGCP::TonecMask(LGCP::TonecMask::r1::Id{}, ASN1::Null()));
    masks.push_back(LGCP::TonecMask(LGCP::TonecMask::dtmf::Id{}, ASN1::Null()));
    masks.push_back(LGCP::TonecMask(LGCP::TonecMask::r1::Id{}, ASN1::Null()));
    EXPECT_EQ("04 03 A0", encode(tonec));
    EXPECT_TRUE(PerTest::roundTrips(tonec));
}

TEST(ParameterCoding, SparseEnumerationsTravelAsTheirNumbers) {
    EXPECT_EQ("F6", encode(TERM::Payload(TERM::Payload::ptR2S)));   // 123 in 7 bits
    EXPECT_EQ("B8", encode(TERM::IpQoSDSCP(TERM::IpQoSDSCP::ef)));  // 46 in 6 bits
    TERM::Payload payload;
    ASSERT_TRUE(decode("F6", payload));
    EXPECT_TRUE(payload.is_ptR2S());
    // Not extensible: a number above the largest does not encode.
    EXPECT_EQ("FAIL", encode(TERM::Payload(TERM::Payload::NamedNumber(124))));
}

TEST(ParameterCoding, RtpParamsBounds) {
    TERM::RtpParams params;
    params.set_dhost().set_iaddr("10.0.0.1");
    params.ref_dhost().set_port(5004);
    params.set_ssrc(4294967295u);
    params.set_dname(std::string(64, 'x'));
    TERM::RtpParams back;
    ASSERT_TRUE(decode(encode(params), back));
    EXPECT_EQ(4294967295u, back.get_ssrc().getValue());
    EXPECT_EQ(std::string(64, 'x'), back.get_dname());
    params.set_dname(std::string(65, 'x'));
    EXPECT_EQ("FAIL", encode(params));
    params.set_dname("");
    EXPECT_EQ("FAIL", encode(params));
    params.set_dname("x");
    params.set_ttl(0);
    EXPECT_EQ("FAIL", encode(params));
}

TEST(ParameterCoding, DtmfDoneSignal) {
    LGCP::TonecEvent event;
    event.set_timestamp(0);
    event.set_event().select_dtmfDone();
    LGCP::Message message;
    message.set_slot(17);
    message.set_pdu().select_signal(LGCP::Signal(LGCP::Signal::tonec::Id{}, event));
    EXPECT_EQ("40 00 11 81 01 00 80 01 00", encode(message));
    LGCP::Message back;
    ASSERT_TRUE(decode("40 00 11 81 01 00 80 01 00", back));
    EXPECT_TRUE(back.get_pdu().get_signal().get_tonec().get_event().dtmfDone_isSelected());
}

TEST(ParameterCoding, TrunkStateBeyondItsItemsIsRefused) {
    ACP::TrunkStatus status;
    status.set_state(ACP::TrunkState::disabled);
    ASSERT_NE("FAIL", encode(status));
    status.set_state(ACP::TrunkState::NamedNumber(7));
    EXPECT_EQ("FAIL", encode(status));
    // TrunkType is extensible: a later number goes out as an extension value.
    status.set_state(ACP::TrunkState::normal);
    status.set_type(ACP::TrunkType::NamedNumber(2));
    EXPECT_NE("FAIL", encode(status));
}

TEST(ParameterCoding, NamePairsOfTwoModulesStayApart) {
    EXPECT_EQ(&LGCP::IsdnSide::theInfo, LGCP::IsdnParams().get_side().info());
    EXPECT_EQ(&ACP::IsdnSide::theInfo, ACP::IsdnLinkInfo().get_side().info());
    EXPECT_EQ(&TERM::HostAddress::theInfo, LGCP::ControllerInfo::theInfo.fieldInfos[0]);
}

}  // namespace
