// The parameter records of the controller protocol: the create, ioctl, event, resource and
// display records, the termination records they hold, and the trunk and link records.
#include "schema/ACP.h"
#include "schema/LGCP.h"
#include "schema/TERM.h"
#include "tests/support/StreamCapture.h"

#include <gtest/gtest.h>
#include <string>
#include <type_traits>

namespace {

TEST(ParameterTypes, NamePairsOfTwoModulesStayApart) {
    static_assert(std::is_base_of<ASN1::CHOICE, LGCP::IsdnSide>::value, "LGCP::IsdnSide");
    static_assert(std::is_base_of<ASN1::ENUMERATED, ACP::IsdnSide>::value, "ACP::IsdnSide");
    static_assert(std::is_base_of<ASN1::CHOICE, LGCP::BoardInfo>::value, "LGCP::BoardInfo");
    static_assert(std::is_base_of<ASN1::SEQUENCE, ACP::BoardInfo>::value, "ACP::BoardInfo");
    LGCP::IsdnParams isdn;
    EXPECT_EQ(&LGCP::IsdnSide::theInfo, isdn.get_side().info());
    ACP::IsdnLinkInfo link;
    EXPECT_EQ(&ACP::IsdnSide::theInfo, link.get_side().info());
    EXPECT_EQ(&TERM::HostAddress::theInfo, LGCP::ControllerInfo::theInfo.fieldInfos[0]);
}

TEST(ParameterTypes, TrunkAlternativesShareOneRecord) {
    const ASN1::ChoiceInfo& create = LGCP::CreateParams::theInfo;
    EXPECT_TRUE(create.extendable);
    EXPECT_EQ(19u, create.rootCount);
    EXPECT_STREQ("trunk", create.selectionNames[7]);
    EXPECT_STREQ("trunk_bri", create.selectionNames[8]);
    EXPECT_EQ(&LGCP::TrunkParams::theInfo, create.selectionInfos[7]);
    EXPECT_EQ(&LGCP::TrunkParams::theInfo, create.selectionInfos[8]);
    EXPECT_STREQ("ats-qsig-b", create.selectionNames[18]);

    LGCP::TrunkParams trunk;
    trunk.set_trunk(3);
    trunk.set_timeslot(31);
    LGCP::CreateParams e1(LGCP::CreateParams::trunk::Id{}, trunk);
    LGCP::CreateParams bri(LGCP::CreateParams::trunk_bri::Id{}, trunk);
    EXPECT_TRUE(e1.trunk_isSelected() && !e1.trunk_bri_isSelected());
    EXPECT_TRUE(bri.trunk_bri_isSelected() && !bri.trunk_isSelected());
    EXPECT_EQ(e1.get_trunk(), bri.get_trunk_bri());
    EXPECT_NE(e1, bri);
}

TEST(ParameterTypes, IoctlChoices) {
    const ASN1::ChoiceInfo& params = LGCP::IoctlParams::theInfo;
    EXPECT_TRUE(params.extendable);
    EXPECT_EQ(38u, params.rootCount);
    EXPECT_STREQ("selcal", params.selectionNames[37]);
    // The one SET OF of the schema.
    const auto& tonec = *static_cast<const ASN1::SequenceOfInfo*>(params.selectionInfos[2]);
    EXPECT_EQ(0x11u, tonec.constrained.type.tag);
    EXPECT_EQ(&LGCP::TonecMask::theInfo, tonec.elementInfo);

    const ASN1::ChoiceInfo& response = LGCP::IoctlResponse::theInfo;
    EXPECT_FALSE(response.extendable);
    EXPECT_EQ(9u, response.rootCount);
    EXPECT_EQ(&ACP::SS7LinkInfo::theInfo, response.selectionInfos[4]);

    LGCP::IoctlResponse stopped;
    stopped.select_stopRecording(LGCP::StopRecordingCause::alreadyStopped);
    EXPECT_TRUE(stopped.get_stopRecording().is_alreadyStopped());
    LGCP::IoctlResponse bsn(LGCP::IoctlResponse::ss7BSN::Id{}, 77);
    EXPECT_EQ(77, bsn.get_ss7BSN().getValue());
}

TEST(ParameterTypes, DtmfDoneIsAnExtensionAlternative) {
    const ASN1::ChoiceInfo& code = LGCP::TonecCode::theInfo;
    EXPECT_EQ(6u, code.rootCount);
    EXPECT_EQ(7u, code.knownCount);
    LGCP::TonecCode done;
    done.select_dtmfDone();
    EXPECT_EQ(6, done.currentSelection());
}

TEST(ParameterTypes, RtpParametersAreTwoFieldsAndTwelveOptions) {
    const ASN1::SequenceInfo& rtp = TERM::RtpParams::theInfo;
    EXPECT_EQ(14u, rtp.rootCount);
    EXPECT_EQ(12u, rtp.optionalCount);
    EXPECT_EQ(0, rtp.fieldIds[2]);    // shost
    EXPECT_EQ(11, rtp.fieldIds[13]);  // qos-dscp
    TERM::RtpParams params;
    EXPECT_FALSE(params.shost_isPresent() || params.qos_dscp_isPresent() ||
                 params.radio_isPresent());

    const ASN1::StringInfo& dname = TERM::RtpParams::dname::value_type::theInfo;
    EXPECT_EQ(rtp.fieldInfos[3], &dname);
    EXPECT_EQ(22u, dname.constrained.type.tag);
    EXPECT_EQ(ASN1::FixedConstraint, dname.constrained.constraint);
    EXPECT_EQ(1, dname.constrained.lower);
    EXPECT_EQ(64u, dname.constrained.upper);
    EXPECT_EQ(ASN1::IA5String::theInfo.characterSet, dname.characterSet);
    EXPECT_EQ(ASN1::IA5String::theInfo.setSize, dname.setSize);
    EXPECT_EQ(ASN1::IA5String::theInfo.alignedBits, dname.alignedBits);
    params.set_dname("gw-1");
    params.set_ssrc(4294967295u);
    params.set_qos_dscp(TERM::IpQoSDSCP::ef);
    EXPECT_EQ(&dname, params.get_dname().info());
    EXPECT_EQ(4294967295u, params.get_ssrc().getValue());
    EXPECT_TRUE(params.get_qos_dscp().is_ef());
}

// Every number of a sparse enumeration prints as its item's name, or as the number.
template <class E>
std::string printed(int number) {
    E value{typename E::NamedNumber(number)};
    TestSupport::StreamCapture cerr(std::cerr);
    std::string text = value.asValueNotation();
    EXPECT_EQ("", cerr.str()) << number;
    return text;
}

TEST(ParameterTypes, SparseEnumerationsPrintByNumber) {
    EXPECT_EQ(123, TERM::Payload::theInfo.maximum);
    EXPECT_STREQ("ptR2S=123", TERM::Payload_enum_names__[14]);
    for (int number = -2; number <= 130; ++number) {
        std::string text = printed<TERM::Payload>(number);
        if (number <= 13 && number >= 0) {
            std::string name = TERM::Payload_enum_names__[number];
            EXPECT_EQ(name, text);
        } else {
            EXPECT_EQ(number == 123 ? "ptR2S" : std::to_string(number), text);
        }
    }
    EXPECT_EQ(56, TERM::IpQoSDSCP::theInfo.maximum);
    EXPECT_EQ(23, TERM::IpQoSDSCP::count);
    EXPECT_EQ(46, TERM::IpQoSDSCP::ef);
    EXPECT_STREQ("count=23", TERM::IpQoSDSCP_enum_names__[23]);
    EXPECT_STREQ("le", TERM::IpQoSDSCP_enum_names__[1]);
    const char* names[57] = {};
    for (unsigned i = 0; i < TERM::IpQoSDSCP::theInfo.count; ++i) {
        names[TERM::IpQoSDSCP::theInfo.numbers[i]] = TERM::IpQoSDSCP_enum_names__[i];
    }
    for (int number = -1; number <= 60; ++number) {
        std::string text = printed<TERM::IpQoSDSCP>(number);
        if (number < 0 || number > 56 || !names[number]) {
            EXPECT_EQ(std::to_string(number), text);
        } else {
            std::string name = names[number];
            EXPECT_EQ(name.substr(0, name.find('=')), text);
        }
    }
    EXPECT_EQ("count", printed<TERM::IpQoSDSCP>(23));
    EXPECT_EQ("voice-admit", printed<TERM::IpQoSDSCP>(44));
}

TEST(ParameterTypes, NewTrunkStatusHasAnEmptyNameAndNoClockMaster) {
    ACP::TrunkStatus status;
    EXPECT_EQ("", status.get_name());
    EXPECT_FALSE(status.get_clockMaster());
    status.set_name() = "E1-0";
    EXPECT_EQ("E1-0", status.get_name());
    EXPECT_FALSE(ACP::TrunkState::theInfo.extendable);
    EXPECT_TRUE(ACP::TrunkType::theInfo.extendable);
}

TEST(ParameterTypes, ModemSignalsCarryTheirRecords) {
    TERM::MdmAccounting accounting;
    BASE::INTEGER64Bits octets;
    octets.set_low(-1);
    octets.set_high(2);
    accounting.set_octetsOut(octets);
    TERM::ModemProceeding acct(TERM::ModemProceeding::acct::Id{}, accounting);
    EXPECT_EQ(2, acct.get_acct().get_octetsOut().get_high().getValue());
    TERM::MdmRequestUserAuth auth;
    auth.set_username("user");
    auth.set_password("secret");
    LGCP::Signal signal(LGCP::Signal::modemProceeding::Id{},
                        TERM::ModemProceeding(TERM::ModemProceeding::auth::Id{}, auth));
    EXPECT_EQ("secret", signal.get_modemProceeding().get_auth().get_password());
}

TEST(ParameterTypes, AllOptionalRecordsStartEmpty) {
    LGCP::VADEvent vad;
    LGCP::Delays delays;
    LGCP::MapParams map;
    EXPECT_FALSE(vad.vad_rx_isPresent() || vad.vad_tx_isPresent());
    EXPECT_FALSE(delays.rx_isPresent() || delays.tx_isPresent() || delays.selcal_isPresent());
    EXPECT_FALSE(map.transmitter_isPresent() || map.receiver_isPresent());
    for (unsigned pos = 0; pos < 3; ++pos) EXPECT_EQ(nullptr, delays.getField(pos));
}

}  // namespace
