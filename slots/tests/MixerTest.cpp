// The mixer units and their factory in process, on the simulated board with
// its two units discovered: what a refused or half-coded create leaves in the
// driver, what each slot owns in a sum, what the receivers are told, and how
// far discovery goes with a driver that does not end or units the switch
// cannot take.
#include "control/tests/TransportHarness.h"
#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimDsproc.h"
#include "hardware/MixerDriver.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "slots/MixerFactory.h"
#include "slots/Slot.h"
#include "tests/support/StreamCapture.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sstream>

namespace {

using Mixer::MixerFactory;

// A driver that names unit 7 whatever it is asked.
struct RepeatingMixer : Board::SimDevice {
    RepeatingMixer() : SimDevice("/dev/mixer") {}
    int OnIoctl(Board::SimOpen&, unsigned long request, void* record) override {
        if (request == Mixer::NextUnit) *static_cast<Mixer::mix_unit*>(record) = {7, 8, 0, 8};
        return 0;
    }
    void Reset() override {}
};

// A driver that reports the units given, in their order.
struct ListedMixer : Board::SimDevice {
    explicit ListedMixer(std::vector<Mixer::mix_unit> units)
        : SimDevice("/dev/mixer"), units(std::move(units)) {}
    int OnIoctl(Board::SimOpen&, unsigned long request, void* record) override {
        if (request != Mixer::NextUnit) return 0;
        auto& info = *static_cast<Mixer::mix_unit*>(record);
        std::size_t next = 0;
        if (info.id >= 0)
            while (next < units.size() && units[next++].id != info.id) continue;
        if (next == units.size()) return -ENODEV;
        info = units[next];
        return 0;
    }
    void Reset() override {}
    const std::vector<Mixer::mix_unit> units;
};

struct MixerUnits : ::testing::Test {
    void SetUp() override {
        ::setenv("HALVOXD_BOARD", "sim", 1);
        sim = Board::simulation();
        ASSERT_NE(sim, nullptr) << "the simulated board is not built in";
        sim->Reset();
        sim->SetLogging(true);
        Discover();
    }
    void TearDown() override {
        if (!sim) return;
        Clean();
        sim->Reset();
    }
    // Faults off, the slots made destroyed, and the units lost to a driver
    // that ends its list at once: the next discovery makes them afresh,
    // owing nothing.
    void Clean() {
        sim->ClearFaults();
        for (auto& made : slots) Destroy(made.second);
        slots.clear();
        sim->FailRequest("/dev/mixer", Mixer::NextUnit, ENODEV, true);
        Discover();
    }
    unsigned Discover() {
        LGCP::Resources resources;
        factory.Query(resources);
        return resources.get_mixer().size();
    }
    // The units a query reports, each id followed by a blank; with whole,
    // each entry's counts too: "ID:TDM-INPUTS/TDM-OUTPUTS/MIXER-INPUTS ".
    std::string Units(bool whole = false) {
        LGCP::Resources resources;
        factory.Query(resources);
        std::string units;
        for (const auto& unit : resources.get_mixer()) {
            units += std::to_string(unit.get_unit().getValue());
            if (whole)
                units += ':' + std::to_string(unit.get_tdm_inputs().getValue()) + '/' +
                         std::to_string(unit.get_tdm_outputs().getValue()) + '/' +
                         std::to_string(unit.get_mixer_inputs().getValue());
            units += ' ';
        }
        return units;
    }

    // One step, as the sum table spells it: "in C S" an input on channel C
    // feeding summator S ("-" for none), its echo canceller on when "ecm"
    // follows; "out C I:G ..." an output whose summator gets inputs I at
    // gains G; "del in C" and "del out C" the destroy of that slot; "query" a
    // discovery; "second" a second of the main loop. C is a channel of unit
    // 3, or "U/C" one of unit U. A create prefixed "!" is expected to be
    // refused. "fail ..." and a line starting with a device path are control
    // lines of the simulated board, answered "ok", or what follows " = " in
    // the step. "wrote LINE" expects LINE among what the test wrote to
    // std::cerr, which a case capturing it on its own keeps from the test.
    void Step(const std::string& step) {
        std::istringstream words(step);
        std::string verb, where;
        words >> verb;
        if (verb == "fail" || verb[0] == '/') {
            const auto is = step.find(" = ");
            EXPECT_EQ(is == std::string::npos ? "ok" : step.substr(is + 3),
                      sim->Command(step.substr(0, is)))
                << step;
            return;
        }
        if (verb == "wrote") {
            EXPECT_NE(std::string::npos, errors.str().find(step.substr(6) + '\n')) << errors.str();
            return;
        }
        if (verb == "query") {
            Discover();
            return;
        }
        if (verb == "second") {
            LoopDriver(&clock, 10).Run(110);
            return;
        }
        const bool refused = verb[0] == '!';
        if (refused) verb.erase(0, 1);
        if (verb == "del") {
            std::string kind;
            words >> kind >> where;
            Destroy(slots.at(kind + ' ' + where));
            slots.erase(kind + ' ' + where);
            return;
        }
        words >> where;
        const auto slash = where.find('/');
        const int unit = slash == std::string::npos ? 3 : std::stoi(where.substr(0, slash));
        const int channel = std::stoi(where.substr(slash == std::string::npos ? 0 : slash + 1));
        LGCP::CreateParams params;
        std::string word;
        if (verb == "in") {
            LGCP::MixerInParams& in = params.select_mixerIn();
            in.set_unit(unit);
            in.set_channel().select_tdm(channel);
            if (words >> word && word != "-") in.set_summator().select_tdm(std::stoi(word));
            if (words >> word && word == "ecm") in.set_ecm().set_ec(true);
        } else {
            LGCP::MixerOutParams& out = params.select_mixerOut();
            out.set_unit(unit);
            out.set_channel().select_tdm(channel);
            while (words >> word) {
                LGCP::MixerInput input;
                input.set_channel().select_tdm(std::stoi(word));
                input.set_gain(std::stoi(word.substr(word.find(':') + 1)));
                out.set_inputs().push_back(input);
            }
        }
        Slot* slot = factory.NewSlot(params);
        EXPECT_EQ(refused, slot == nullptr) << step;
        if (slot) slots[verb + ' ' + where] = slot;
    }
    static void Destroy(Slot* slot) {
        EXPECT_TRUE(slot->BeforeDestroy());
        delete slot;
    }

    // The main loop's time, which only the cases step.
    FakeClock clock;
    Board::Sim* sim = nullptr;
    MixerFactory& factory = MixerFactory::instance();
    // The slots a case made and has not destroyed, by kind and channel ("in 5").
    std::map<std::string, Slot*> slots;
    // Every driver request is logged.
    TestSupport::StreamCapture log{std::clog}, errors{std::cerr};
};

// Requests as the simulation logs them.
const char* const rxAdd = "ioctl /dev/mixer 0x801c4d03";
const char* const rxRemove = "ioctl /dev/mixer 0x801c4d04";

// Control lines that make the simulated board refuse every MIX_RX_REMOVE,
// every MIX_RX_CLEAR, every MIX_RX_ADD (for now, or as invalid), and nothing
// any more.
const char* const refuseRemoves = "fail /dev/mixer 0x801c4d04 EIO";
const char* const refuseClears = "fail /dev/mixer 0x800c4d02 EIO";
const char* const refuseAdds = "fail /dev/mixer 0x801c4d03 EIO";
const char* const refuseAddsAsInvalid = "fail /dev/mixer 0x801c4d03 EINVAL";
const char* const acceptAll = "fail clear";

TEST_F(MixerUnits, WhatFeedsNoSumLeavesNoneProgrammed) {
    LGCP::CreateParams params;
    LGCP::MixerOutParams& out = params.select_mixerOut();
    out.set_unit(3);
    out.set_channel().select_tdm(4);
    LGCP::MixerInput input;
    input.set_gain(100);
    input.set_channel().select_tdm(5);
    out.set_inputs().push_back(input);
    input.set_channel().select_rtp(1);
    out.set_inputs().push_back(input);
    EXPECT_EQ(nullptr, factory.NewSlot(params));
    EXPECT_NE(std::string::npos, log.str().find(rxAdd));
    EXPECT_NE(std::string::npos, errors.str().find("mixer [3]: SetTX error: translation fail [2]"));
    EXPECT_EQ("clear", sim->Command("/dev/mixer summator 3 4"));

    LGCP::MixerInParams& in = params.select_mixerIn();
    in.set_unit(3);
    in.set_channel().select_tdm(6);
    in.set_summator().select_rtp(2);
    TestSupport::StreamCapture requests(std::clog);
    Slot* slot = factory.NewSlot(params);
    ASSERT_NE(nullptr, slot);
    EXPECT_NE(std::string::npos, errors.str().find("mixer [3]: wrong summator coding !\n"));
    EXPECT_TRUE(slot->BeforeDestroy());
    delete slot;
    EXPECT_EQ(std::string::npos, requests.str().find(rxAdd));
    EXPECT_EQ(std::string::npos, requests.str().find(rxRemove));
}

// Unit 3's channel c is on switch timeslot 17152 + c.
struct SumCase {
    const char* name;
    std::vector<const char*> steps;
    // "/dev/mixer inputs 3 2" afterwards, and "/dev/mixer summator 3 2" when given.
    const char* inputs;
    const char* summator;
};

const SumCase sumCases[] = {
    {"an input leaves its own sum only",
     {"out 2", "in 5 2", "in 6 2", "in 7 4", "del in 5"},
     "2 6",
     nullptr},
    {"an output made last keeps the inputs that feed it",
     {"in 5 2", "in 6 2", "out 2 6:100"},
     "6 5",
     "17158:100 17157:32767"},
    {"an input a later output added back leaves that sum",
     {"in 5 2", "out 2", "del in 5"},
     "2",
     "17154:32767"},
    {"an input the output lists stays at the output's gain",
     {"out 2 5:100", "in 5 2", "del in 5"},
     "5",
     "17157:100"},
    {"a leg's input into its own sum leaves the output's own channel there",
     {"in 2 2", "out 2", "del in 2", "in 2 2", "del in 2"},
     "2",
     "17154:32767"},
    {"an input whose output cleared the sum goes quietly",
     {"out 2", "in 5 2", "del out 2", "del in 5"},
     "none",
     nullptr},
    {"a channel takes an input and an output, in either order",
     {"in 2 -", "out 2 6:1", "out 4", "in 4 2", "del in 2"},
     "6 4",
     "17158:1 17156:32767"},
    {"a second slot of one kind is refused without touching a sum",
     {"out 2 5:100", "in 6 2", "!out 2", "!in 6 2", "!in 6 -"},
     "5 6",
     nullptr},
    {"one channel number on two units is two channels",
     {"in 6 2", "in 1/6 -", "out 1/6", "!in 1/6 2", "out 2"},
     "2 6",
     nullptr},
    {"a slot left by a lost unit takes nothing out of the unit found again",
     {"in 0 2", "/dev/mixer remove 3", "query", "/dev/mixer add 3 16 16", "query", "out 2 0:100",
      "del in 0"},
     "0",
     "17152:100"},
};

TEST_F(MixerUnits, EachSlotOwnsItsShareOfASum) {
    for (const SumCase& c : sumCases) {
        SCOPED_TRACE(c.name);
        TestSupport::StreamCapture failures(std::cerr);
        for (const char* step : c.steps) Step(step);
        EXPECT_EQ(c.inputs, sim->Command("/dev/mixer inputs 3 2"));
        if (c.summator) {
            EXPECT_EQ(c.summator, sim->Command("/dev/mixer summator 3 2"));
        }
        EXPECT_EQ(std::string::npos, failures.str().find("MIX_RX")) << failures.str();
        for (auto& made : slots) Destroy(made.second);
        slots.clear();
        EXPECT_EQ("none", sim->Command("/dev/mixer inputs 3 2"));
    }
}

// The simulated driver's own side of it.
TEST_F(MixerUnits, ARemoveThatFindsNothingLeavesTheSummatorClear) {
    Mixer::mix_input input{{3, Mixer::tdmChannel, 4}, {3, Mixer::tdmChannel, 5}, 0};
    EXPECT_EQ(-1, Mixer::mixer_ctl(Mixer::RxRemove, &input));
    EXPECT_EQ(ENOENT, errno);
    EXPECT_EQ("clear", sim->Command("/dev/mixer summator 3 4"));
}

TEST_F(MixerUnits, ARefusedOutputLogsItsFailedClearOnce) {
    sim->FailRequest("/dev/mixer", Mixer::RxClear, EIO, false);
    TestSupport::StreamCapture failures(std::cerr);
    Step("!out 2 5:100");
    const std::string line = "mixer [3]: MIX_RX_CLEAR dev_no=3 type=0 number=2 fail";
    const std::string text = failures.str();
    const auto first = text.find(line);
    ASSERT_NE(std::string::npos, first) << text;
    EXPECT_EQ(std::string::npos, text.find("MIX_RX_CLEAR", first + line.size())) << text;
}

// A create the driver refuses, asked again and again, writes its failure
// once a second for each request and channel, and one refused for want of
// the device says so rather than reading as the driver's own answer.
TEST_F(MixerUnits, ARepeatedFailureIsWrittenOnceASecond) {
    const struct {
        const char* fault;
        // The create asked again and again, and one on another channel,
        // whose line is its own; and the lines of either.
        const char *create, *other;
        std::string line, otherLine;
    } rows[] = {
        {"fail /dev/mixer 0x800c4d06 EIO", "!in 5 -", "!in 6 -",
         "MIX_TDM dev_no=3 type=0 number=5 fail : Input/output error",
         "MIX_TDM dev_no=3 type=0 number=6 fail : Input/output error"},
        {"fail /dev/mixer 0x800c4d02 EIO", "!out 2", "!out 3",
         "MIX_RX_CLEAR dev_no=3 type=0 number=2 fail : Input/output error",
         "MIX_RX_CLEAR dev_no=3 type=0 number=3 fail : Input/output error"},
        {"fail /dev/mixer 0x801c4d03 EIO", "!out 2 5:100", "!out 2 6:100",
         "MIX_RX_ADD rx.number=2 tx.number=5 fail : Input/output error",
         "MIX_RX_ADD rx.number=2 tx.number=6 fail : Input/output error"},
        {"fail open /dev/mixer ENOENT", "!in 5 -", "!in 6 -",
         "MIX_TDM dev_no=3 type=0 number=5 fail : device \"/dev/mixer\" open fail: No such file "
         "or directory",
         "MIX_TDM dev_no=3 type=0 number=6 fail : device \"/dev/mixer\" open fail: No such file "
         "or directory"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        Step("second");  // past the lines of the row before
        TestSupport::StreamCapture failures(std::cerr);
        for (const char* step : {row.fault, row.create, row.create, row.create, "second",
                                 row.create, row.other, acceptAll})
            Step(step);
        EXPECT_EQ(2u, TransportTest::Occurrences(failures.str(), "mixer [3]: " + row.line + "\n"))
            << failures.str();
        EXPECT_EQ(1u,
                  TransportTest::Occurrences(failures.str(), "mixer [3]: " + row.otherLine + "\n"))
            << failures.str();
    }
}

TEST_F(MixerUnits, DelaysReachTheDriverFieldByField) {
    Step("out 2");
    LGCP::IoctlParams params;
    LGCP::Delays& delays = params.select_delays();
    delays.set_rx(10);
    delays.set_tx(20);
    EXPECT_TRUE(slots.at("out 2")->Ioctl(params));
    auto& dsp = sim->Model<Board::SimDsproc>("/dev/dsp");
    const Dsproc::DelayParams sent =
        dsp.State(17154).configuration.at(Dsproc::KindDelays).params.delays;
    EXPECT_EQ(10u, sent.rx);
    EXPECT_EQ(20u, sent.tx);
    EXPECT_EQ(0u, sent.selcal);
}

// tone-gen-enable {freq 425, amp 1000}.
LGCP::IoctlParams Tone425() {
    LGCP::IoctlParams tone;
    LGCP::ToneGenerator& generator = tone.select_tone_gen_enable();
    generator.set_freq(425);
    generator.set_amp(1000);
    return tone;
}

// translateDTMF of 697 + 1209 Hz, count times.
LGCP::IoctlParams Dial(int count) {
    LGCP::IoctlParams dial;
    LGCP::DualTone digit;
    digit.set_freq1(697), digit.set_freq2(1209);
    LGCP::TranslateDtmfParams& digits = dial.select_translateDTMF();
    for (int i = 0; i < count; ++i) digits.set_digits().push_back(digit);
    return dial;
}

// The input of a leg dials over the output's tone and takes the generator
// for the dial: its destroy gives the generator back to the output's tone,
// whose own destroy switches it off.
TEST_F(MixerUnits, AnInputsDialLeavesTheOutputsGeneratorOn) {
    Step("out 2");
    Step("in 2 -");
    EXPECT_TRUE(slots.at("out 2")->Ioctl(Tone425()));
    EXPECT_TRUE(slots.at("in 2")->Ioctl(Dial(1)));
    EXPECT_EQ("tone 697 1209", sim->Command("/dev/dtmf generator 17154"));
    Step("del in 2");
    EXPECT_EQ("tone 425 0", sim->Command("/dev/dtmf generator 17154"));
    Step("del out 2");
    EXPECT_EQ("off", sim->Command("/dev/dtmf generator 17154"));
}

// An output's tone-gen-enable during its own dial ends the dial: the tone
// plays on past the dial's end, and no finished dial is reported (a signal
// would reach no server here, and say so).
TEST_F(MixerUnits, AnOutputsToneEndsItsOwnDial) {
    Step("out 2");
    EXPECT_TRUE(slots.at("out 2")->Ioctl(Dial(2)));
    EXPECT_EQ("tone 697 1209", sim->Command("/dev/dtmf generator 17154"));
    EXPECT_TRUE(slots.at("out 2")->Ioctl(Tone425()));
    LoopDriver(&clock, 10).Run(100);
    EXPECT_EQ("tone 425 0", sim->Command("/dev/dtmf generator 17154"));
    EXPECT_EQ(std::string::npos, errors.str().find("not connected to server")) << errors.str();
}

TEST_F(MixerUnits, DiscoveryEndsWhateverTheDriverSays) {
    for (int id = 10; id < 160; ++id) sim->Command("/dev/mixer add " + std::to_string(id) + " 2 2");
    EXPECT_EQ(MixerFactory::maxUnits, Discover());

    auto board = sim->Replace(std::make_unique<RepeatingMixer>());
    EXPECT_EQ(1u, Discover());
    EXPECT_NE(std::string::npos, errors.str().find("mixer: unit 7 reported twice"));
    sim->Replace(std::move(board));
}

// The smallest count is every unit's, whichever unit claims it first.
TEST_F(MixerUnits, AUnitClaimingFewerInputsThanNoneHasNone) {
    const Mixer::mix_unit none{2, 16, 0, -5}, eight{4, 16, 0, 8};
    for (const auto& units : {std::vector<Mixer::mix_unit>{none, eight}, {eight, none}}) {
        auto board = sim->Replace(std::make_unique<ListedMixer>(units));
        LGCP::Resources resources;
        factory.Query(resources);
        sim->Replace(std::move(board));
        ASSERT_EQ(2u, resources.get_mixer().size());
        for (const auto& unit : resources.get_mixer())
            EXPECT_EQ(0, unit.get_mixer_inputs().getValue()) << units[0].mixerInputs;
    }
}

// Unit 0 is reported first and keeps the channel count, and so each reset,
// small; units new to the factory join its list at the end.
TEST_F(MixerUnits, UnitsWithMoreChannelsThanTheSwitchAreLeftOut) {
    for (const char* line : {"add 0 8 8", "add 5 65536 8", "add 6 65537 8"})
        ASSERT_EQ("ok", sim->Command(std::string("/dev/mixer ") + line));
    EXPECT_EQ("1 3 0 5 ", Units());
    EXPECT_NE(std::string::npos,
              errors.str().find("mixer: unit 6 reports 65537 TDM channels, left out\n"));
}

// A discovery that could not ask the driver has learnt nothing: the units
// stay with their slots and counts, and a create needs no query once the
// device opens again.
TEST_F(MixerUnits, ADiscoveryThatCannotOpenTheDeviceKeepsItsUnits) {
    Step("out 1/2");
    const std::string known = Units(true);
    sim->FailOpen("/dev/mixer", EMFILE, false);
    TestSupport::StreamCapture failures(std::cerr);
    EXPECT_EQ(known, Units(true));
    EXPECT_EQ("mixer: device \"/dev/mixer\" open fail: Too many open files, units kept\n",
              failures.str());
    sim->ClearFaults();
    Step("in 1/0 2");
}

// Each discovery asks the voice device its version: a device that cannot
// open writes its line once a second however often the controller asks,
// and the device is never left open.
TEST_F(MixerUnits, AVoiceDeviceThatCannotOpenIsWrittenOnceASecond) {
    const std::string line = "device \"/dev/voice\" open fail: No such file or directory\n";
    TestSupport::StreamCapture failures(std::cerr);
    for (const char* step : {"fail open /dev/voice ENOENT", "query", "query", "second", "query",
                             "query", acceptAll, "query"})
        Step(step);
    EXPECT_EQ(line + line, failures.str());
    EXPECT_EQ("0", sim->Command("opens /dev/voice"));
}

// An input on channel 0 of unit 3 (timeslot 17152) fed conference 2
// (17154), and the driver refused to take it out; or refused to add it,
// in the first cases. Unit 1 has sums of the same numbers.
const SumCase owedCases[] = {
    {"an add refused as invalid refuses its create and leaves its channel free",
     {"out 2", refuseAddsAsInvalid, "!in 0 2 ecm", "/dev/dtmf enabled 17152 = none", acceptAll,
      "second", "in 5 2", "in 0 4 ecm", "/dev/dtmf enabled 17152 = lms"},
     "2 5",
     "17154:32767 17157:32767"},
    {"an add refused otherwise answers its create and is owed until taken",
     {"out 2", refuseAdds, "in 0 2", acceptAll, "/dev/mixer inputs 3 2 = 2", "second",
      "/dev/mixer inputs 3 2 = 2 0", "del in 0"},
     "2",
     "17154:32767"},
    // The create between pays only the removals owed: the add, refused a
    // moment ago, waits its second, and would be refused as invalid now.
    {"an owed add waits its second, whatever create comes meanwhile",
     {"out 2", "fail /dev/mixer 0x801c4d03 EIO once", "in 0 2",
      "fail /dev/mixer 0x801c4d03 EINVAL once", "in 5 -", acceptAll, "second"},
     "2 0",
     "17154:32767 17152:32767"},
    {"an owed channel goes to no new input or sum until the driver takes it",
     {"out 2", "in 0 2", refuseRemoves, "del in 0", "!in 0 4", "!in 0 -", "!out 4 0:100", "in 5 2",
      acceptAll, "in 0 4"},
     "2 5",
     "17154:32767 17157:32767"},
    {"an owed channel gets no sum of its own until the driver takes it",
     {"out 2", "in 0 2", refuseRemoves, "del in 0", "!out 0", acceptAll, "out 0"},
     "2",
     "17154:32767"},
    {"an owed removal goes with the sum its output cleared",
     {"out 2", "in 0 2", refuseRemoves, "del in 0", "del out 2", "in 0 4"},
     "none",
     nullptr},
    {"an owed removal stays while its output's clear is refused",
     {"out 2", "in 0 2", refuseRemoves, refuseClears, "del in 0", "del out 2", "!in 0 4", acceptAll,
      "in 0 4"},
     "2",
     nullptr},
    {"an owed removal whose device did not open waits for it",
     {"out 2", "in 0 2", "fail open /dev/mixer ENOENT", "del in 0", "fail clear", "in 0 4"},
     "2",
     "17154:32767"},
    {"an owed removal is done once the unit no longer holds the entry",
     {"out 2", "in 0 2", refuseRemoves, "del in 0", "/dev/mixer add 3 16 16", acceptAll, "in 0 4"},
     "none",
     nullptr},
    // The unit lost, its slots aborted, and found again under its id: the
    // old unit, kept by its input on channel 7, owes the new one nothing.
    {"an owed removal goes with its unit",
     {"out 2", "in 0 2", "in 7 -", refuseRemoves, "del in 0", "/dev/mixer remove 3", "query",
      "/dev/mixer add 3 16 16", "query", acceptAll, "del out 2", "out 2", "in 0 2", "second"},
     "2 0",
     "17154:32767 17152:32767"},
    // Unit 1 found again on the board, not yet by a query: what the lost
    // unit owed would land in its sums.
    {"a lost unit forgets what it owed, and no other unit's",
     {"out 2", "in 0 2", "out 1/2", "in 1/0 2", refuseRemoves, "del in 0", "del in 1/0", refuseAdds,
      "in 1/5 2", "/dev/mixer remove 1", "query", "/dev/mixer add 1 32 32", acceptAll, "second",
      "/dev/mixer inputs 1 2 = none"},
     "2",
     "17154:32767"},
    {"a sum cleared on one unit leaves another's owed on its channel",
     {"out 2", "in 0 2", "out 1/2", "in 1/0 2", refuseRemoves, "del in 0", "del in 1/0", refuseAdds,
      "in 5 2", "del out 1/2", "!in 0 4", "in 1/0 4", acceptAll, "second"},
     "2 5",
     "17154:32767 17157:32767"},
    {"an owed removal fences its channel on its own unit only",
     {"out 2", "in 0 2", refuseRemoves, "del in 0", "in 1/0 4", "out 1/4 0:100", "out 1/0",
      "!in 0 4", "!out 4 0:100", "!out 0", acceptAll, "in 0 4"},
     "2",
     "17154:32767"},
    {"a unit's failed reset writes its line, and the others go on",
     {"/dev/mixer add 5 16 16", refuseClears, "query",
      "wrote mixer [5]: reset fail: 16 errors. [cause=Input/output error]", acceptAll,
      "/dev/mixer remove 5", "out 2", "in 0 2"},
     "2 0",
     "17154:32767 17152:32767"},
};

TEST_F(MixerUnits, ARefusedRemovalIsOwedWhileItsSumLives) {
    for (const SumCase& c : owedCases) {
        SCOPED_TRACE(c.name);
        for (const char* step : c.steps) Step(step);
        EXPECT_EQ(c.inputs, sim->Command("/dev/mixer inputs 3 2"));
        if (c.summator) {
            EXPECT_EQ(c.summator, sim->Command("/dev/mixer summator 3 2"));
        }
        Clean();
        Discover();
    }
}

// One line when refused, none while the retries meet the same error, and
// one when taken.
TEST_F(MixerUnits, AnOwedRemovalLogsEachOutcomeOnce) {
    TestSupport::StreamCapture failures(std::cerr), done(std::clog);
    for (const char* step : {"out 2", "in 0 2", refuseRemoves, "del in 0", "!in 0 4", "!in 0 4"})
        Step(step);
    clock.advanceMs(1000);
    for (const char* step : {"!in 0 4", "!in 0 4", acceptAll, "in 0 4", "in 1 4"}) Step(step);
    const std::string refused =
        "mixer [3]: MIX_RX_REMOVE rx.number=2 tx.number=0 fail : Input/output error\n";
    EXPECT_EQ(refused, failures.str());
    const std::string taken = "mixer [3]: MIX_RX_REMOVE rx.number=2 tx.number=0 done\n";
    const auto first = done.str().find(taken);
    ASSERT_NE(std::string::npos, first) << done.str();
    EXPECT_EQ(std::string::npos, done.str().find(taken, first + 1));
}

// The units share the mixer device, and with it one bound on what the pays
// of a second send: two units owing 99 removals each get 128 a second
// between them, the longest owed first.
TEST_F(MixerUnits, EveryUnitsRemovalsShareTheDevicesBound) {
    clock.advanceMs(3600 * 1000);  // past the pays of the cases before
    for (const char* step : {"/dev/mixer remove 1", "/dev/mixer remove 3",
                             "/dev/mixer add 5 100 100", "/dev/mixer add 6 100 100", "query"})
        Step(step);
    for (int unit : {5, 6})
        for (int channel = 1; channel < 100; ++channel)
            Step("in " + std::to_string(unit) + '/' + std::to_string(channel) + " 0");
    Step(refuseRemoves);
    for (auto& made : slots) Destroy(made.second);
    slots.clear();
    // What each of the first three pays sends, each in one turn of the loop.
    std::vector<std::size_t> sent;
    for (int turn = 0; turn < 400 && sent.size() < 3; ++turn) {
        TestSupport::StreamCapture requests(std::clog);
        LoopDriver(&clock, 10).Run(1);
        if (const std::size_t n = TransportTest::Occurrences(requests.str(), rxRemove))
            sent.push_back(n);
    }
    EXPECT_EQ(sent, (std::vector<std::size_t>{128, 128, 128}));
}

// The bound holds over any second, not over seconds counted from the first
// request of each: a create pays the owed removals at once, so one paying a
// single removal, then one a millisecond before the second ends and one at
// its end, send 128 between them, in one millisecond or across it.
TEST_F(MixerUnits, TheDevicesBoundHoldsOverAnySecond) {
    clock.advanceMs(3600 * 1000);  // past the pays of the cases before
    for (const char* step :
         {"/dev/mixer remove 1", "/dev/mixer remove 3", "/dev/mixer add 5 200 200", "query"})
        Step(step);
    for (int channel = 1; channel < 197; ++channel) Step("in 5/" + std::to_string(channel) + " 0");
    Step(refuseRemoves);
    auto removals = [this](const std::string& create) {
        TestSupport::StreamCapture requests(std::clog);
        Step(create);
        return TransportTest::Occurrences(requests.str(), rxRemove);
    };
    Destroy(slots.at("in 5/1"));
    slots.erase("in 5/1");
    std::vector<std::size_t> sent{removals("in 5/197 -")};
    for (auto made = slots.begin(); made != slots.end();) {
        if (made->first == "in 5/197") {
            ++made;
            continue;
        }
        Destroy(made->second);
        made = slots.erase(made);
    }
    clock.advanceMs(999);
    sent.push_back(removals("in 5/198 -"));
    clock.advanceMs(1);
    sent.push_back(removals("in 5/199 -"));
    EXPECT_EQ(sent, (std::vector<std::size_t>{1, 127, 1}));
}

}  // namespace
