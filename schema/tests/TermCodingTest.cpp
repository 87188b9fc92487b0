// The radio and termination records of TERM on the wire: standby states, the flag commands,
// the ED-137 numbers and ranges, and extension additions of the termination parameters.
#include "asn1/tests/PerTestSupport.h"
#include "schema/LGCP.h"
#include "schema/TERM.h"

#include <gtest/gtest.h>
#include <string>

using PerTest::decode;
using PerTest::encode;
using namespace TERM;

namespace {

TEST(TermCoding, StandbyStatesAreOneBitAndNotUseDoesNotEncode) {
    RadioCommandGWSetStandby command;
    command.set_state(RadioStandby::active);
    EXPECT_EQ("00", encode(command));
    command.set_state(RadioStandby::standby);
    EXPECT_EQ("80", encode(command));
    command.set_state(RadioStandby::not_use);
    EXPECT_EQ("FAIL", encode(command));

    // Extension bit, channel state, the group in an aligned octet, receiver state.
    RadioCommandWMStandby wm;
    wm.set_state_channel(RadioStandby::standby);
    wm.set_group(7);
    wm.set_state_receiver(RadioStandby::active);
    EXPECT_EQ("40 07 00", encode(wm));
    RadioCommandWMStandby back;
    ASSERT_TRUE(decode("00 07 80", back));
    EXPECT_TRUE(back.get_state_channel().is_active() && back.get_state_receiver().is_standby());
}

TEST(TermCoding, FlagCommandsShareTheirRecordAndDifferInIndex) {
    RadioCommandGWSetFlags command;
    RadioFlags& flags = command.set_flags();
    flags.set_ptt(true);
    flags.set_selcall(3);
    flags.set_li(300);
    // Index in 5 bits after the extension bit, then the flags: extension bit, prio 0, nine
    // booleans, selcall in 2 bits, li 0..511 in two aligned octets.
    EXPECT_EQ("08 01 00 80 60 01 2C",
              encode(VarnRadioModifierParams(VarnRadioModifierParams::gw_set_ptt::Id{}, command)));
    VarnRadioModifierParams back;
    ASSERT_TRUE(decode("0C 01 00 80 60 01 2C", back));
    EXPECT_TRUE(back.gw_set_bss_isSelected());
    EXPECT_EQ(command, back.get_gw_set_bss());

    flags.set_li(512);
    EXPECT_EQ("FAIL", encode(command));
}

TEST(TermCoding, Ed137NumbersAndRanges) {
    // Extensible with maximum 2099: the extension bit and two octets.
    EXPECT_EQ("00 08 33", encode(ED137CauseCode(ED137CauseCode::radio_no_permissions)));
    ED137CauseCode unnamed;
    ASSERT_TRUE(decode("00 08 02", unnamed));
    EXPECT_EQ("2050", unnamed.asValueNotation());
    // The same cause among the termination errors is numbered 38.
    EXPECT_EQ("4C", encode(TermErrorCode(TermErrorCode::ed137_radio_no_permissions)));

    // The one signed range: -128..127 as an offset in one aligned octet.
    ED137RadioRecorderParams recorder;
    recorder.set_bss_quality(unsigned(-128));
    EXPECT_EQ("04 00", encode(recorder));
    recorder.set_bss_quality(unsigned(-129));
    EXPECT_EQ("FAIL", encode(recorder));
}

TEST(TermCoding, TermParamsWithOneExtensionAddition) {
    TermParams empty;
    EXPECT_EQ("00", encode(empty));

    // Extension bit, six empty presence bits, the bitmap's length less one as a small
    // number, the bitmap up to the addition, then the addition as an open type.
    TermParams mute;
    mute.set_mute(true);
    EXPECT_EQ("80 28 00 80 01 80", encode(mute));
    TermParams back;
    ASSERT_TRUE(decode("80 28 00 80 01 80", back));
    EXPECT_EQ(mute, back);

    TermParams trace;
    trace.set_traceLevel(5);
    EXPECT_EQ("80 02 02 01 05", encode(trace));
    EXPECT_TRUE(PerTest::roundTrips(trace));

    // A bitmap of all thirteen known additions, as another encoder writes it.
    TermParams full;
    ASSERT_TRUE(decode("80 30 00 80 01 80", full));
    EXPECT_TRUE(full.mute_isPresent() && full.get_mute());
    EXPECT_FALSE(full.pd_isPresent() || full.sd_isPresent());
}

}  // namespace
