// What the board holds after a request the driver refused once is what the
// controller asked for, or the create was refused: never the refused
// request's leftover. Each row, in process on the simulated board, makes
// what the controller asked for, gives the board one fault line that refuses
// one request once, carries out the controller's commands, lets the main
// loop run on the fake clock so that what is owed is sent again, and reads
// the board back through a control line. The refusal itself is logged once.
#include "control/tests/TransportHarness.h"
#include "hardware/E1Ctl.h"
#include "slots/ExtFactory.h"
#include "slots/tests/SlotBench.h"

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using SlotBench::Bench;
using SlotBench::MixerIn;
using SlotBench::MixerOut;
using SlotBench::Mixers;
using SlotBench::Units;
using TransportTest::Occurrences;

class RefusedRequest;

struct Row {
    const char* name;
    // What the controller asked for before the fault.
    std::function<void(RefusedRequest&)> asked;
    // One line of the board's fault grammar, refusing one request once.
    const char* fault;
    // The controller's commands that meet the fault.
    std::function<void(RefusedRequest&)> commands;
    // The fake time the main loop then runs for.
    std::uint64_t loopMs;
    // The control line that reads the board back, and what it must answer.
    const char* readBack;
    const char* held;
    // The one line the refusal logs.
    const char* logged;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class RefusedRequest : public Bench<Row> {};

TEST_P(RefusedRequest, TheBoardHoldsWhatWasAsked) {
    const Row& row = GetParam();
    row.asked(*this);
    if (HasFatalFailure()) return;
    ASSERT_EQ("ok", sim->Command(row.fault));
    row.commands(*this);
    Loop(row.loopMs);
    EXPECT_EQ(row.held, sim->Command(row.readBack));
    EXPECT_EQ(1u, Occurrences(log.str() + errors.str(), std::string(row.logged) + "\n"))
        << log.str() << errors.str();
}

LGCP::CreateParams Ext(int transmitter, int receiver) {
    LGCP::CreateParams params;
    LGCP::ExtParams& ext = params.select_ext();
    ext.set_transmitter(transmitter);
    ext.set_receiver(receiver);
    return params;
}

// Version-2 voice activity parameters for a mixer slot's voice-processing driver.
LGCP::IoctlParams VadV2(int voiceMs, int silenceMs, int energyDb) {
    LGCP::IoctlParams params;
    TERM::VADParamsV2& v2 = params.select_vad_params().select_v2();
    v2.set_voice_th_msec(voiceMs), v2.set_silence_th_msec(silenceMs), v2.set_e_th_dB(energyDb);
    return params;
}

LGCP::TrunkCfg Slave(int trunk) {
    LGCP::TrunkCfg cfg;
    cfg.set_trunk(trunk);
    cfg.set_mode(LGCP::TrunkMode::slave);
    return cfg;
}

// One ioctl of the controller's, filled in by the caller.
template <class Fill>
LGCP::IoctlParams IoctlOf(Fill fill) {
    LGCP::IoctlParams params;
    fill(params);
    return params;
}

LGCP::IoctlParams Tone(int freq, int amp) {
    return IoctlOf([=](LGCP::IoctlParams& p) {
        LGCP::ToneGenerator& tone = p.select_tone_gen_enable();
        tone.set_freq(freq), tone.set_amp(amp);
    });
}

LGCP::IoctlParams DelaysOf(int rx, int tx) {
    return IoctlOf([=](LGCP::IoctlParams& p) {
        LGCP::Delays& delays = p.select_delays();
        delays.set_rx(rx), delays.set_tx(tx);
    });
}

const Row rows[] = {
    // Activate answers success whatever the driver did; a second activate
    // sends nothing, and the retry of the next second gives the receive
    // channel its idle octet.
    {"ExternalSlotIdleOctet",
     [](RefusedRequest& t) { ASSERT_NE(nullptr, t.Create(ExtFactory::instance(), Ext(3, 4))); },
     "fail /dev/hal 0xc0084d04 EIO once",
     [](RefusedRequest& t) {
         EXPECT_TRUE(t.Last().IActivate(TERM::TermActivateParams()));
         EXPECT_TRUE(t.Last().IActivate(TERM::TermActivateParams()));
     },
     1010, "/dev/hal route 8196", "8196 const 0xD5",
     "hwMux: disconnect failed 8196 : Input/output error"},
    // Conference A on channel 2 (timeslot 16642) and an input on channel 0
    // (16640) in its sum; the input's removal is refused, and the next call
    // on channel 0 joins conference B on channel 4. Conference A must not
    // hear it.
    {"MixerInputRemoval",
     [](RefusedRequest& t) {
         LGCP::Resources units;
         Mixer::MixerFactory::instance().Query(units);
         auto& mixers = Mixer::MixerFactory::instance();
         ASSERT_NE(nullptr, t.Create(mixers, MixerOut(2)));
         ASSERT_NE(nullptr, t.Create(mixers, MixerIn(0, 2)));
     },
     "fail /dev/mixer 0x801c4d04 EIO once",
     [](RefusedRequest& t) {
         auto& mixers = Mixer::MixerFactory::instance();
         t.Destroy(t.Made(1));
         ASSERT_NE(nullptr, t.Create(mixers, MixerOut(4)));
         ASSERT_NE(nullptr, t.Create(mixers, MixerIn(0, 4)));
     },
     0, "/dev/mixer summator 1 2", "16642:32767",
     "mixer [1]: MIX_RX_REMOVE rx.number=2 tx.number=0 fail : Input/output error"},
    // The clock-slave mask of trunk 1, refused once, reaches the board at the
    // status poll of the next second.
    {"E1ClockSlaveMask", [](RefusedRequest& t) { t.Own<E1Ctl>().OnConnect(); },
     "fail /dev/maintenance 0xc0044d0b EIO once",
     [](RefusedRequest& t) { t.Own<E1Ctl>().SetMode(Slave(1)); }, E1Ctl::pollMs + 10,
     "/dev/maintenance tclk", "0x0 0x2", "E1: fail to set TCLK [cause=Input/output error]"},
    // Voice activity parameters for the driver's own version, whose request
    // is refused: no version at all, so the configure is refused and the
    // board holds no words of a version the controller did not ask for.
    {"VoiceProcessingVersion",
     [](RefusedRequest& t) {
         LGCP::Resources units;
         Mixer::MixerFactory::instance().Query(units);
         ASSERT_NE(nullptr, t.Create(Mixer::MixerFactory::instance(), MixerIn(0, -1)));
     },
     "fail /dev/dsp 0x40046404 EIO once",
     [](RefusedRequest& t) { EXPECT_FALSE(t.Last().Ioctl(VadV2(100, 200, 30))); }, 0,
     "/dev/dsp configured 16640 1", "none",
     "DSPROC_VERSION fail: timeslot=16640 errno=\"Input/output error\""},
    // A newer ask the driver takes ends what its key owed: nothing older is
    // sent over it when the retry comes due.
    {"NewerDelaysEndTheRefusedOnes",
     [](RefusedRequest& t) { ASSERT_NE(nullptr, t.Create(Units(), MixerIn(0, -1))); },
     "fail /dev/dsp 0x40146401 EIO once",
     [](RefusedRequest& t) {
         EXPECT_TRUE(t.Last().Ioctl(DelaysOf(40, 140)));
         EXPECT_TRUE(t.Last().Ioctl(DelaysOf(10, 20)));
     },
     1010, "/dev/dsp configured 16640 32", "10 20 0",
     "DSPROC_CONFIGURE DELAYS fail: timeslot=16640 errno=\"Input/output error\""},
    // The path made after a refused idle octet keeps the channel.
    {"NewerPathEndsTheRefusedIdleOctet",
     [](RefusedRequest& t) {
         ASSERT_NE(nullptr, t.Create(ExtFactory::instance(), Ext(1, 2)));
         ASSERT_NE(nullptr, t.Create(ExtFactory::instance(), Ext(3, 4)));
     },
     "fail /dev/hal 0xc0084d04 EIO once",
     [](RefusedRequest& t) {
         EXPECT_TRUE(t.Made(1)->IActivate(TERM::TermActivateParams()));
         EXPECT_TRUE(Connect(*t.Made(0), *t.Made(1)));
     },
     1010, "/dev/hal route 8196", "8196 from 8193",
     "hwMux: disconnect failed 8196 : Input/output error"},
    {"NewerToneEndsTheRefusedOne",
     [](RefusedRequest& t) { ASSERT_NE(nullptr, t.Create(Units(), MixerOut(2))); },
     "fail /dev/dtmf 0x400c4205 EIO once",
     [](RefusedRequest& t) {
         EXPECT_TRUE(t.Last().Ioctl(Tone(425, 1000)));
         EXPECT_TRUE(t.Last().Ioctl(Tone(1000, 500)));
     },
     1010, "/dev/dtmf generator 16642", "tone 1000 0",
     "DTMF_DIAL fail: timeslot=16642 errno=\"Input/output error\""},
    {"NewerClockSlaveMaskEndsTheRefusedOne", [](RefusedRequest& t) { t.Own<E1Ctl>().OnConnect(); },
     "fail /dev/maintenance 0xc0044d0b EIO once",
     [](RefusedRequest& t) {
         t.Own<E1Ctl>().SetMode(Slave(1));
         t.Own<E1Ctl>().SetMode(Slave(2));
     },
     E1Ctl::pollMs + 10, "/dev/maintenance tclk", "0x0 0x6",
     "E1: fail to set TCLK [cause=Input/output error]"},
    // An ask refused as invalid is final: the board keeps what it had.
    {"InvalidToneIsNotSentAgain",
     [](RefusedRequest& t) {
         ASSERT_NE(nullptr, t.Create(Units(), MixerOut(2)));
         EXPECT_TRUE(t.Last().Ioctl(Tone(425, 1000)));
     },
     "fail /dev/dtmf 0x400c4205 EINVAL once",
     [](RefusedRequest& t) { EXPECT_TRUE(t.Last().Ioctl(Tone(1000, 500))); }, 1010,
     "/dev/dtmf generator 16642", "tone 425 0",
     "DTMF_DIAL fail: timeslot=16642 errno=\"Invalid argument\""},
    // A filter switched off that was never on undoes nothing the driver
    // holds: refused as invalid ("no such filter"), it is not sent again.
    {"InvalidFilterOffOfNothingIsNotSentAgain",
     [](RefusedRequest& t) { ASSERT_NE(nullptr, t.Create(Units(), MixerIn(0, -1))); },
     "fail /dev/dsp 0x40146401 EINVAL once",
     [](RefusedRequest& t) {
         EXPECT_TRUE(t.Last().Ioctl(IoctlOf([](auto& p) {
             LGCP::ToneFilter& filter = p.select_tone_filter();
             filter.set_freq(1000), filter.set_enable(false);
             filter.set_duration_th_msec(0), filter.set_det_level_dB(0);
         })));
     },
     1010, "/dev/dsp configured 16640 256 1000", "none",
     "DSPROC_CONFIGURE Tone Filter fail: timeslot=16640 freq=1000 errno=\"Invalid argument\""},
    // A new session's clear mask undoes the slave bit the device took for
    // the old one: refused as invalid, it is owed all the same.
    {"ClearedClockSlaveMaskIsAnUndo",
     [](RefusedRequest& t) {
         t.Own<E1Ctl>().OnConnect();
         t.Own<E1Ctl>().SetMode(Slave(1));
     },
     "fail /dev/maintenance 0xc0044d0b EINVAL once",
     [](RefusedRequest& t) { t.Own<E1Ctl>().OnConnect(); }, E1Ctl::pollMs + 10,
     "/dev/maintenance tclk", "0x0 0x2 0x0", "E1: fail to set TCLK [cause=Invalid argument]"},
    {"InvalidClockSlaveMaskIsNotSentAgain", [](RefusedRequest& t) { t.Own<E1Ctl>().OnConnect(); },
     "fail /dev/maintenance 0xc0044d0b EINVAL once",
     [](RefusedRequest& t) { t.Own<E1Ctl>().SetMode(Slave(1)); }, E1Ctl::pollMs + 10,
     "/dev/maintenance tclk", "0x0", "E1: fail to set TCLK [cause=Invalid argument]"},
};

INSTANTIATE_TEST_SUITE_P(Rows, RefusedRequest, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             return std::string(info.param.name);
                         });

// An undo ends what is still on the board: a refusal of it, as invalid or
// for a while, only puts it off. Each row undoes what it asked for while the
// undo's own request is refused, lets the main loop run until the driver
// takes it, and reads the board back: it holds what a run without the fault
// leaves.
class RefusedUndo;

struct Undo {
    const char* name;
    std::function<void(RefusedUndo&)> asked;
    // The device and the request of the undo that the fault refuses.
    const char* refused;
    std::function<void(RefusedUndo&)> undo;
    const char* readBack;
    // What the board reads back when nothing was refused.
    const char* held;
    // A second fault line, given with the row's own; or none.
    const char* alsoRefused = nullptr;
    // A slot made on the timeslot while the fault lasts, and the control
    // line that gives it an event of what the undo ends: it hears none.
    std::function<void(RefusedUndo&)> later = nullptr;
    const char* event = nullptr;
    // A new slot on the timeslot asking something of the undo's own key;
    // none where the undo has no ask of its kind after it.
    std::function<void(RefusedUndo&)> newer = nullptr;
    // Where the undo sends the other half's own back: refused as invalid,
    // that is the half's ask, which leaves its record, and the board ends
    // on the plain reset instead.
    const char* heldIfInvalid = nullptr;
};

// The end of a fault line: refused once, or until cleared after the
// retries of more than a second; and whether the newer ask of the row
// follows the undo, refused as invalid.
struct Fault {
    const char* name;
    const char* error;
    bool lasts;
    bool newerInvalid = false;
};

void PrintTo(const Undo& undo, std::ostream* os) { *os << undo.name; }
void PrintTo(const Fault& fault, std::ostream* os) { *os << fault.name; }

class RefusedUndo : public Bench<std::tuple<Undo, Fault>> {
public:
    // The signals the slots sent: with no controller here, each says so.
    unsigned Signals() const {
        return Occurrences(errors.str(), "service not connected to server");
    }
};

TEST_P(RefusedUndo, TheBoardEndsAsWithoutTheFault) {
    const auto& [row, fault] = GetParam();
    row.asked(*this);
    if (HasFatalFailure()) return;
    ASSERT_EQ("ok", sim->Command(std::string("fail ") + row.refused + ' ' + fault.error));
    if (fault.newerInvalid) {
        ASSERT_EQ("ok", sim->Command(std::string("fail ") + row.refused + " EINVAL once"));
    }
    if (row.alsoRefused) {
        ASSERT_EQ("ok", sim->Command(row.alsoRefused));
    }
    row.undo(*this);
    if (row.later) row.later(*this);
    if (HasFatalFailure()) return;
    if (fault.newerInvalid) row.newer(*this);
    if (row.event) {
        const unsigned signals = Signals();
        ASSERT_EQ("ok", sim->Command(row.event));
        Loop(100);
        EXPECT_EQ(signals, Signals()) << errors.str();
    }
    if (fault.lasts) {
        Loop(1500);
        ASSERT_EQ("ok", sim->Command("fail clear"));
    }
    Loop(2000);
    const bool invalid = std::string(fault.error).rfind("EINVAL", 0) == 0;
    EXPECT_EQ(invalid && row.heldIfInvalid ? row.heldIfInvalid : row.held,
              sim->Command(row.readBack));
}

void Gone(RefusedUndo& t) { t.Destroy(&t.Last()); }

LGCP::IoctlParams Filter(int freq, int durationMs, int levelDb) {
    return IoctlOf([=](LGCP::IoctlParams& p) {
        LGCP::ToneFilter& filter = p.select_tone_filter();
        filter.set_freq(freq), filter.set_enable(true);
        filter.set_duration_th_msec(durationMs), filter.set_det_level_dB(levelDb);
    });
}

// A new slot on the channel asks for params: the driver refuses it as
// invalid, which leaves the undo owed before it.
template <class Params>
std::function<void(RefusedUndo&)> Newer(Params make, int channel, LGCP::IoctlParams params) {
    return [=](RefusedUndo& t) {
        ASSERT_NE(nullptr, t.Create(Mixers(), make(channel)));
        EXPECT_TRUE(t.Last().Ioctl(params));
    };
}

LGCP::CreateParams Input(int channel) { return MixerIn(channel, -1); }

// Timeslot 16640 is mixer channel 0, 16642 channel 2.
const Undo undos[] = {
    // The next output on the channel hears silence.
    {"GeneratorStop",
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Units(), MixerOut(2)));
         EXPECT_TRUE(t.Last().Ioctl(Tone(425, 1000)));
     },
     "/dev/dtmf 0x400c4205", Gone, "/dev/dtmf generator 16642", "off", nullptr,
     [](RefusedUndo& t) { ASSERT_NE(nullptr, t.Create(Mixers(), MixerOut(2))); }, nullptr,
     [](RefusedUndo& t) { EXPECT_TRUE(t.Last().Ioctl(Tone(600, 1000))); }},
    // The later slot listens for IVA codes; a DTMF code of the gone
    // detector is none of its own.
    {"DetectorOff",
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Units(), MixerIn(0, -1)));
         EXPECT_TRUE(t.Last().Ioctl(IoctlOf([](auto& p) { p.select_dtmf_enable(true); })));
     },
     "/dev/dtmf 0x40044204", Gone, "/dev/dtmf enabled 16640", "iva", nullptr,
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Mixers(), MixerIn(0, -1)));
         EXPECT_TRUE(t.Last().Ioctl(IoctlOf([](auto& p) { p.select_iva_enable(true); })));
     },
     "/dev/dtmf event 16640 5"},
    {"IvaOff",
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Units(), MixerIn(0, -1)));
         EXPECT_TRUE(t.Last().Ioctl(IoctlOf([](auto& p) { p.select_iva_enable(true); })));
     },
     "/dev/dtmf 0x4004420c", Gone, "/dev/dtmf enabled 16640", "none"},
    {"FilterOff",
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Units(), MixerIn(0, -1)));
         EXPECT_TRUE(t.Last().Ioctl(Filter(1000, 50, 30)));
     },
     "/dev/dsp 0x400c6403", Gone, "/dev/dsp configured 16640 256 1000", "1000 0 50 30", nullptr,
     [](RefusedUndo& t) { ASSERT_NE(nullptr, t.Create(Mixers(), MixerIn(0, -1))); },
     "/dev/dsp event 16640 256 1000 1"},
    {"GainReset",
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Units(), MixerIn(0, -1)));
         EXPECT_TRUE(t.Last().Ioctl(IoctlOf([](auto& p) { p.select_rx_gain().set_gainDB(7); })));
     },
     "/dev/dsp 0x40146401", Gone, "/dev/dsp configured 16640 64", "0", nullptr, nullptr, nullptr,
     Newer(Input, 0, IoctlOf([](auto& p) { p.select_rx_gain().set_gainDB(5); }))},
    {"DelaysReset",
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Units(), MixerIn(0, -1)));
         EXPECT_TRUE(t.Last().Ioctl(DelaysOf(40, 140)));
     },
     "/dev/dsp 0x40146401", Gone, "/dev/dsp configured 16640 32", "0 0 0", nullptr, nullptr,
     nullptr, Newer(Input, 0, DelaysOf(10, 20))},
    // The two halves of a leg on channel 2; the input, which set its delays
    // last, goes.
    {"SettingsSentBack",
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Units(), MixerOut(2)));
         EXPECT_TRUE(t.Last().Ioctl(DelaysOf(10, 20)));
         ASSERT_NE(nullptr, t.Create(Mixers(), MixerIn(2, -1)));
         EXPECT_TRUE(t.Last().Ioctl(DelaysOf(40, 140)));
     },
     "/dev/dsp 0x40146401", Gone, "/dev/dsp configured 16642 32", "10 20 0", nullptr, nullptr,
     nullptr, nullptr, "0 0 0"},
    // A filter of one frequency on both halves of the leg on channel 0; the
    // output, which set its own last, goes, and the input's comes back.
    {"FilterSentBack",
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Units(), MixerIn(0, -1)));
         EXPECT_TRUE(t.Last().Ioctl(Filter(1000, 40, 41)));
         ASSERT_NE(nullptr, t.Create(Mixers(), MixerOut(0)));
         EXPECT_TRUE(t.Last().Ioctl(Filter(1000, 50, 51)));
     },
     "/dev/dsp 0x40146401", Gone, "/dev/dsp configured 16640 256 1000", "1000 1 40 41", nullptr,
     nullptr, nullptr, Newer(MixerOut, 0, Filter(1000, 60, 61)), "1000 0 0 0"},
    // Conference A on channel 2 and an input on channel 0 in its sum; the
    // next call on channel 0 joins conference B on channel 4, or is refused
    // while the removal is owed. A never hears it.
    {"MixerRemoval",
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Units(), MixerOut(2)));
         ASSERT_NE(nullptr, t.Create(Mixers(), MixerIn(0, 2)));
     },
     "/dev/mixer 0x801c4d04", Gone, "/dev/mixer inputs 1 2", "2", nullptr,
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(Mixers(), MixerOut(4)));
         t.Create(Mixers(), MixerIn(0, 4));
     }},
    // Channel 8196 receives from 8193 through the slots' connect until the
    // call is unlinked. The idle octet is refused as invalid: its send
    // switches the channel off at once, and that switch-off, which meets the
    // fault, is all that undoes the path.
    {"SwitchOffAfterRefusedIdleOctet",
     [](RefusedUndo& t) {
         ASSERT_NE(nullptr, t.Create(ExtFactory::instance(), Ext(1, 2)));
         ASSERT_NE(nullptr, t.Create(ExtFactory::instance(), Ext(3, 4)));
         EXPECT_TRUE(t.Made(1)->IActivate(TERM::TermActivateParams()));
         EXPECT_TRUE(Connect(*t.Made(0), *t.Made(1)));
     },
     "/dev/hal 0x80044d03", [](RefusedUndo& t) { Disconnect(*t.Made(1)); }, "/dev/hal route 8196",
     "8196 off", "fail /dev/hal 0xc0084d04 EINVAL once"},
};

const Fault faults[] = {
    {"RefusedAsInvalidOnce", "EINVAL once", false},
    {"FailingForOverASecond", "EIO", true},
    {"ANewerAskRefusedAsInvalidMeanwhile", "EIO once", false, true},
};

// Every row with every fault, but the newer ask's where the row has none.
std::vector<std::tuple<Undo, Fault>> UndoCases() {
    std::vector<std::tuple<Undo, Fault>> cases;
    for (const Undo& undo : undos)
        for (const Fault& fault : faults)
            if (!fault.newerInvalid || undo.newer) cases.emplace_back(undo, fault);
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Undos, RefusedUndo, ::testing::ValuesIn(UndoCases()),
                         [](const ::testing::TestParamInfo<RefusedUndo::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) + '_' +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
