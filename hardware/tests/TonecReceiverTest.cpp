#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimTonec.h"
#include "hardware/RequestIds.h"
#include "hardware/TonecReceiver.h"
#include "hardware/TonecReceiverService.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <poll.h>

using Board::SimTonec;
using Hardware::TonecReceiver;

namespace {

struct Receiver : TonecReceiver {
    explicit Receiver(unsigned ts) : ts(ts) {}
    void tonec_event(const Params& p) override {
        codes.push_back(p.code);
        if (onEvent) onEvent();
    }
    unsigned tonec_timeslot() const override { return ts; }
    void tone_gen_complete() override { ++completed; }
    unsigned ts;
    std::vector<int> codes;
    int completed = 0;
    std::function<void()> onEvent;
};

// Every case runs on the simulated board, reset, with the service open and a
// stepped clock.
struct TonecTest : ::testing::Test {
    TonecTest() {
        ::setenv("HALVOXD_BOARD", "sim", 1);
        sim = Board::simulation();
        sim->Reset();
        tonec = &sim->Model<SimTonec>("/dev/dtmf");
        Hardware::TonecReceiverService::instance().init();
    }
    // The requests of one number, in order.
    std::vector<SimTonec::Request> Sent(unsigned long number) const {
        std::vector<SimTonec::Request> sent;
        for (const auto& r : tonec->History())
            if (r.number == number) sent.push_back(r);
        return sent;
    }
    std::vector<unsigned long> Numbers() const {
        std::vector<unsigned long> numbers;
        for (const auto& r : tonec->History()) numbers.push_back(r.number);
        return numbers;
    }
    void Dispatch(unsigned iterations = 2) { LoopDriver().Run(iterations); }

    FakeClock clock{5000};
    Board::Sim* sim = nullptr;
    SimTonec* tonec = nullptr;
};

// count digits of 697 + 1209 Hz, at the dial's own lengths.
LGCP::TranslateDtmfParams Digits(int count) {
    LGCP::TranslateDtmfParams dial;
    for (int i = 0; i < count; ++i) {
        LGCP::DualTone digit;
        digit.set_freq1(697), digit.set_freq2(1209);
        dial.set_digits().push_back(digit);
    }
    return dial;
}

// How often line occurs in text.
std::size_t Count(const std::string& text, const std::string& line) {
    std::size_t n = 0;
    for (auto at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
    return n;
}

TEST(RequestIdsTest, NeverYieldZero) {
    EXPECT_EQ(Hardware::RequestIds().Next(), 1u);
    Hardware::RequestIds ids(0xFFFFFFFE);
    EXPECT_EQ(ids.Next(), 0xFFFFFFFFu);
    EXPECT_EQ(ids.Next(), 1u);
}

// Only what changes a detector's state goes to the driver; DTMF and IVA keep
// states of their own; a failed request changes no state.
TEST_F(TonecTest, SwitchesSendWhatChangesState) {
    const struct {
        const char* name;
        std::function<void(Receiver&)> steps;
        std::vector<unsigned long> sent;
    } table[] = {
        {"double enable",
         [](Receiver& r) { r.enableDTMF(true), r.enableDTMF(true); },
         {Tonec::EnableDetector}},
        {"disable never enabled", [](Receiver& r) { EXPECT_TRUE(r.disableDTMF()); }, {}},
        {"IVA then DTMF",
         [](Receiver& r) { r.enableIVA(true), r.enableDTMF(true), r.enableIVA(true); },
         {Tonec::IvaEnable, Tonec::EnableDetector, Tonec::IvaEnable}},
        {"failed enable",
         [this](Receiver& r) {
             sim->FailRequest("/dev/dtmf", Tonec::EnableDetector, EIO, true);
             EXPECT_FALSE(r.enableDTMF(true));
             EXPECT_TRUE(r.enableDTMF(true));
         },
         {Tonec::EnableDetector}},
        // Refused for want of the device, each with its own line beside the
        // open's: nothing goes to a device that is not open.
        {"by value without the device",
         [this](Receiver& r) {
             sim->FailOpen("/dev/dtmf", EMFILE, false);
             tonec->Hangup();
             Dispatch();
             TestSupport::StreamCapture err(std::cerr);
             EXPECT_FALSE(r.enableIVA(true));
             EXPECT_FALSE(r.enableDTMFReject(true));
             EXPECT_FALSE(r.echoCancel(true));
             const char* unopened =
                 " timeslot=3 (interface not opened) errno=\"Too many open files\"\n";
             EXPECT_EQ(err.str(), std::string("open tonec fail, DTMF proceeding disabled: Too many "
                                              "open files\n") +
                                      "IVA_DETECTOR_ENABLE fail:" + unopened +
                                      "DTMF_REJECTION_ENABLE fail:" + unopened +
                                      "CHANNEL_LMS_ON fail:" + unopened);
             sim->ClearFaults();
         },
         {}},
        {"clean before destroy",
         [](Receiver& r) {
             r.enableDTMF(true), r.enableIVA(true), r.enableDTMFReject(true), r.echoCancel(true);
             r.CleanBeforeDestroy();
         },
         {Tonec::EnableDetector, Tonec::IvaEnable, Tonec::RejectionEnable, Tonec::LmsOn,
          Tonec::DisableDetector, Tonec::IvaDisable, Tonec::RejectionDisable}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        tonec->ClearHistory();
        Receiver r(3);
        row.steps(r);
        EXPECT_EQ(Numbers(), row.sent);
    }
}

TEST_F(TonecTest, EventsReachTheReceiverOnlyUnderItsCurrentId) {
    Receiver r(5);
    r.enableDTMF(true);
    std::uint32_t earlier = tonec->State(5).detectorId;
    r.disableDTMF();
    r.enableDTMF(true);
    std::uint32_t id = tonec->State(5).detectorId;
    const struct {
        std::string line;
        std::vector<int> codes;
        std::string log;
    } table[] = {
        {"event 5 7", {7}, ""},
        {"event 5 8 0",
         {},
         "ignore spurious dtmf event:  timestamp=5000 timeslot=5 code=8 id=0 rid=" +
             std::to_string(id)},
        {"event 5 9 " + std::to_string(earlier), {}, "ignore spurious dtmf event: "},
        {"event 6 1", {}, "receive tonec event from unknown timeslot 6"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.line);
        r.codes.clear();
        ASSERT_EQ(sim->Command("/dev/dtmf " + row.line), "ok");
        TestSupport::StreamCapture out(std::clog), err(std::cerr);
        Dispatch();
        EXPECT_EQ(r.codes, row.codes);
        EXPECT_NE((out.str() + err.str()).find(row.log), std::string::npos) << out.str();
    }
    // An IVA disable leaves DTMF detections flowing; a DTMF disable ends them.
    r.enableIVA(true), r.enableIVA(false);
    sim->Command("/dev/dtmf event 5 4");
    Dispatch();
    r.disableDTMF();
    TestSupport::StreamCapture out(std::clog);
    sim->Command("/dev/dtmf event 5 5 " + std::to_string(id));
    Dispatch();
    EXPECT_EQ(r.codes, std::vector<int>{4});
    EXPECT_NE(out.str().find("ignore spurious dtmf event (DTMF disabled): "), std::string::npos);
}

// The driver tags detections with the id of the timeslot's latest DTMF
// enable, even one of a receiver that has gone: an IVA receiver after it
// hears them.
TEST_F(TonecTest, AGoneReceiversDtmfEnableStillNamesTheDetections) {
    auto gone = std::make_unique<Receiver>(7);
    gone->enableDTMF(true);
    gone->CleanBeforeDestroy();
    gone.reset();
    Receiver iva(7);
    iva.enableIVA(true);
    ASSERT_EQ(sim->Command("/dev/dtmf event 7 0x300"), "ok");
    Dispatch();
    EXPECT_EQ(iva.codes, std::vector<int>{0x300});
}

// A detection no receiver's detector made (an IVA code with only DTMF on)
// goes to the receiver on the timeslot that has DTMF on, whichever of the
// two was made first, as it goes to that receiver alone.
TEST_F(TonecTest, AnEventNoDetectorMadeGoesToTheHalfWithDtmfOn) {
    enum class Output { Before, After, None };
    for (Output made : {Output::Before, Output::After, Output::None}) {
        SCOPED_TRACE(int(made));
        std::unique_ptr<Receiver> output, input;
        if (made == Output::Before) output = std::make_unique<Receiver>(3);
        input = std::make_unique<Receiver>(3);
        if (made == Output::After) output = std::make_unique<Receiver>(3);
        input->enableDTMF(true);
        ASSERT_EQ(sim->Command("/dev/dtmf event 3 0x100"), "ok");
        Dispatch();
        EXPECT_EQ(input->codes, std::vector<int>{0x100});
        if (output) {
            EXPECT_EQ(output->codes, std::vector<int>{});
        }
        input->CleanBeforeDestroy();
    }
}

// Of a leg's two halves, a code neither's detector made goes to each that
// has DTMF or IVA on, whichever half was made first; a code one's detector
// made goes to that one alone.
TEST_F(TonecTest, ACodeNoDetectorMadeGoesToEveryHalfListening) {
    struct Half {
        bool dtmf, iva;
    };
    const struct {
        const char* name;
        Half input, output;
        const char* code;
        bool toInput, toOutput;
    } table[] = {
        {"IVA on the input, a DTMF code", {false, true}, {false, false}, "5", true, false},
        {"IVA on the input, an IVA code", {false, true}, {false, false}, "0x100", true, false},
        {"IVA on both, a DTMF code", {false, true}, {false, true}, "5", true, true},
        {"IVA on both, an IVA code", {false, true}, {false, true}, "0x100", true, true},
        {"DTMF on the output, a DTMF code", {false, false}, {true, false}, "5", false, true},
        {"DTMF on the output, an IVA code", {false, false}, {true, false}, "0x100", false, true},
        {"DTMF on the input, IVA on the output, a DTMF code", {true, false}, {false, true}, "5",
         true, false},
    };
    {  // The service's id of the timeslot, which outlives the cases before, is the driver's.
        Receiver earlier(3);
        earlier.enableDTMF(true), earlier.CleanBeforeDestroy();
    }
    for (const auto& row : table) {
        for (bool outputFirst : {false, true}) {
            SCOPED_TRACE(testing::Message() << row.name << (outputFirst ? ", output first" : ""));
            std::unique_ptr<Receiver> output, input;
            if (outputFirst) output = std::make_unique<Receiver>(3);
            input = std::make_unique<Receiver>(3);
            if (!outputFirst) output = std::make_unique<Receiver>(3);
            for (auto [receiver, half] : {std::pair{input.get(), row.input},
                                          std::pair{output.get(), row.output}}) {
                if (half.dtmf) receiver->enableDTMF(true);
                if (half.iva) receiver->enableIVA(true);
            }
            ASSERT_EQ(sim->Command(std::string("/dev/dtmf event 3 ") + row.code), "ok");
            Dispatch();
            const std::vector<int> code{int(std::strtol(row.code, nullptr, 0))};
            EXPECT_EQ(input->codes, row.toInput ? code : std::vector<int>{});
            EXPECT_EQ(output->codes, row.toOutput ? code : std::vector<int>{});
            input->CleanBeforeDestroy(), output->CleanBeforeDestroy();
        }
    }
}

// Receivers that go without their clean-up, on several timeslots and in any
// order, leave nothing in the records: a receiver made after them on their
// timeslot switches the detectors on and off alone, though the driver still
// has theirs on.
TEST_F(TonecTest, AReceiverLeavesTheRecordOfItsTimeslot) {
    const std::vector<std::vector<int>> orders = {{0, 1, 2, 3}, {3, 2, 1, 0}, {2, 0, 3, 1}};
    for (std::size_t n = 0; n < orders.size(); ++n) {
        const auto& order = orders[n];
        std::unique_ptr<Receiver> gone[] = {std::make_unique<Receiver>(1),
                                            std::make_unique<Receiver>(2),
                                            std::make_unique<Receiver>(3),
                                            std::make_unique<Receiver>(3)};
        for (auto& r : gone) r->enableDTMF(true), r->enableIVA(true), r->enableDTMFReject(true);
        for (int i : order) gone[i].reset();
        for (unsigned ts : {1u, 2u, 3u}) {
            SCOPED_TRACE(testing::Message() << "timeslot " << ts << ", order " << n);
            Receiver next(ts);
            tonec->ClearHistory();
            next.enableDTMF(true), next.disableDTMF();
            next.enableIVA(false), next.enableDTMFReject(false);
            EXPECT_EQ(Numbers(), (std::vector<unsigned long>{Tonec::EnableDetector,
                                                             Tonec::DisableDetector,
                                                             Tonec::IvaDisable,
                                                             Tonec::RejectionDisable}));
        }
    }
}

// Both receivers that switched DTMF on hear a detection, unless the first
// one's callback destroys the other; the next record walks the receivers
// afresh.
TEST_F(TonecTest, AListenerGoneInAnotherOnesCallbackIsNotCalled) {
    Receiver first(5);
    auto* second = new Receiver(5);
    first.enableDTMF(true), second->enableDTMF(true);
    first.onEvent = [&] {
        if (first.codes.back() == 1) delete second;
    };
    sim->Command("/dev/dtmf event 5 1");
    sim->Command("/dev/dtmf event 5 2");
    Dispatch();
    EXPECT_EQ(first.codes, (std::vector<int>{1, 2}));
}

// Two receivers on one timeslot, as an input and an output of one mixer
// channel: each detection goes to the one that switched its detector on,
// whichever was made first, and a destroy leaves on what the other uses.
TEST_F(TonecTest, TwoReceiversOnATimeslotShareTheDriverState) {
    Receiver output(3), input(3);
    output.enableIVA(true);
    input.enableDTMF(true);
    for (const char* code : {"5", "0xFF", "0x100", "0x300"})
        ASSERT_EQ(sim->Command(std::string("/dev/dtmf event 3 ") + code), "ok");
    Dispatch();
    EXPECT_EQ(input.codes, (std::vector<int>{5, 0xFF}));
    EXPECT_EQ(output.codes, (std::vector<int>{0x100, 0x300}));
    output.enableIVA(false), input.disableDTMF();

    using Steps = std::function<void(Receiver & other, Receiver & going)>;
    LGCP::TranslateDtmfParams dial;
    LGCP::DualTone digit;
    digit.set_freq1(697), digit.set_freq2(1209);
    dial.set_digits().push_back(digit);
    const struct {
        const char* name;
        Steps steps;
        std::vector<unsigned long> sent;
        const char* enabled;
        const char* generator;
    } table[] = {
        {"detectors the other has on stay on",
         [](Receiver& other, Receiver& going) {
             other.enableDTMF(true), other.enableIVA(true);
             going.enableDTMF(true), going.enableDTMFReject(true);
         },
         {Tonec::RejectionDisable},
         "dtmf iva",
         "off"},
        {"the other's tone outlives a dial",
         [&](Receiver& other, Receiver& going) {
             other.playTone(1000, 500);
             going.translateDTMF(dial);
         },
         {Tonec::Dial},
         "none",
         "tone 1000 0"},
        {"a dial outlives the other's tone",
         [&](Receiver& other, Receiver& going) {
             other.translateDTMF(dial);
             going.playTone(1000, 500);
         },
         {},
         "none",
         "tone 697 1209"},
        {"the other's tone switched off stays off",
         [&](Receiver& other, Receiver& going) {
             other.playTone(1000, 500), other.disableToneGenerator(true);
             going.translateDTMF(dial);
         },
         {Tonec::Dial},
         "none",
         "off"},
        {"a tone of its own goes off",
         [](Receiver&, Receiver& going) { going.playTone(1000, 500); },
         {Tonec::Dial},
         "none",
         "off"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        Receiver other(3);
        auto going = std::make_unique<Receiver>(3);
        row.steps(other, *going);
        tonec->ClearHistory();
        going->CleanBeforeDestroy();
        going.reset();
        EXPECT_EQ(Numbers(), row.sent);
        EXPECT_EQ(sim->Command("/dev/dtmf enabled 3"), row.enabled);
        EXPECT_EQ(sim->Command("/dev/dtmf generator 3"), row.generator);
        other.CleanBeforeDestroy();
    }
    EXPECT_EQ(sim->Command("/dev/dtmf enabled 3") + ' ' + sim->Command("/dev/dtmf generator 3"),
              "none off");
}

// Rejection and IVA stay on for the other receiver on the timeslot when one
// switches them off, and its IVA detections keep coming.
TEST_F(TonecTest, ASwitchOffLeavesOnWhatTheOtherUses) {
    Receiver input(3), output(3);
    input.enableDTMFReject(true), input.enableIVA(true), input.enableDTMF(true);
    output.enableIVA(true);
    tonec->ClearHistory();
    output.enableDTMFReject(false), output.enableIVA(false);
    EXPECT_EQ(Numbers(), std::vector<unsigned long>{});
    EXPECT_EQ(sim->Command("/dev/dtmf enabled 3"), "dtmf iva rejection");
    ASSERT_EQ(sim->Command("/dev/dtmf event 3 0x300"), "ok");
    Dispatch();
    EXPECT_EQ(input.codes, std::vector<int>{0x300});
    input.enableIVA(false), input.enableDTMFReject(false);
    EXPECT_EQ(Numbers(), (std::vector<unsigned long>{Tonec::IvaDisable, Tonec::RejectionDisable}));
    input.CleanBeforeDestroy(), output.CleanBeforeDestroy();
}

// Two receivers on one timeslot switch a detector on, in turn, and the first
// switches it off: the second keeps it and its detections. A receiver on
// another timeslot is no other half.
TEST_F(TonecTest, TheHalfThatIsLeftKeepsWhatItSwitchedOn) {
    const struct {
        const char* name;
        std::function<void(Receiver&, bool)> turn;
        int code;
    } table[] = {
        {"DTMF", [](Receiver& r, bool on) { r.enableDTMF(on); }, 5},
        {"IVA", [](Receiver& r, bool on) { r.enableIVA(on); }, 0x300},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        Receiver first(3), second(3), elsewhere(4);
        row.turn(first, true), row.turn(elsewhere, true), row.turn(second, true);
        row.turn(first, false);
        EXPECT_NE(sim->Command("/dev/dtmf enabled 4"), "none");
        ASSERT_EQ(sim->Command("/dev/dtmf event 3 " + std::to_string(row.code)), "ok");
        Dispatch();
        EXPECT_EQ(second.codes, std::vector<int>{row.code});
        EXPECT_EQ(first.codes, std::vector<int>{});
        for (Receiver* r : {&first, &second, &elsewhere}) r->CleanBeforeDestroy();
    }
}

// The driver holds the configuration asked for last; when the receiver that
// asked for it goes, the other's own comes back unless it is the same.
TEST_F(TonecTest, TheOtherHalfsConfigurationComesBack) {
    for (int same : {0, 1}) {
        SCOPED_TRACE(same ? "the same" : "different");
        Receiver other(3);
        auto going = std::make_unique<Receiver>(3);
        for (int i : {0, 1}) {
            Receiver& r = i ? *going : other;
            const int n = same ? 0 : i;
            LGCP::DTMFParams dtmf;
            dtmf.set_threshold().set_twist() = 8 + n;
            dtmf.set_level().set_silence() = 30;
            LGCP::IVAParams iva;
            iva.set_det_lvl_dB(-30 - n);
            r.configureDTMF(dtmf), r.configureIVA(iva);
        }
        tonec->ClearHistory();
        going->CleanBeforeDestroy();
        going.reset();
        EXPECT_EQ(tonec->State(3).dtmfConfig.twist, 8u);
        EXPECT_EQ(tonec->State(3).ivaConfig.det_lvl_dB, -30);
        EXPECT_EQ(Numbers().size(), same ? 0u : 2u);
    }
}

// The other half's configuration, sent back when one half goes, refused by
// the open driver, or refused once more when the driver that was gone comes
// back: the driver holds the configuration the record holds a second after it
// takes requests again. A configure call the driver refuses is answered so
// and not applied: the driver keeps the one it last took.
TEST_F(TonecTest, AConfigurationTheDriverMissedReachesItLater) {
    auto pass = [this] { LoopDriver(&clock, 10).Run(110); };  // a second
    auto refuse = [this](bool once, int error = EIO) {
        for (unsigned long request : {Tonec::ConfigureDetector, Tonec::IvaConfigure})
            sim->FailRequest("/dev/dtmf", request, error, once);
    };
    auto configure = [](Receiver& r, unsigned twist, int level) {
        LGCP::DTMFParams dtmf;
        dtmf.set_threshold().set_twist() = twist;
        dtmf.set_level().set_silence() = 30;
        LGCP::IVAParams iva;
        iva.set_det_lvl_dB(level);
        const bool dtmfTaken = r.configureDTMF(dtmf);
        return r.configureIVA(iva) && dtmfTaken;
    };
    const struct {
        const char* name;
        std::function<void(Receiver& other, std::unique_ptr<Receiver>& going)> steps;
        std::function<void()> cleared;  // right after the faults are cleared
        unsigned twist;
        int level;
    } rows[] = {
        {"refused when the other goes",
         [&](Receiver&, std::unique_ptr<Receiver>& going) {
             refuse(false);
             going->CleanBeforeDestroy();
             going.reset();
         },
         [] {}, 8, -30},
        // Sent back, the other's own is its ask: refused as invalid, it
        // leaves the other's record and is not sent again. A configuration
        // has no undo: the driver keeps the going half's.
        {"refused as invalid when the other goes",
         [&](Receiver&, std::unique_ptr<Receiver>& going) {
             refuse(false, EINVAL);
             going->CleanBeforeDestroy();
             going.reset();
         },
         [] {}, 9, -31},
        // Sent back, the other's latest is refused as invalid: its record
        // goes back to the one it asked before, owed until taken, rather
        // than the driver keeping the going half's.
        {"the other's latest refused as invalid when the other goes",
         [&](Receiver& other, std::unique_ptr<Receiver>& going) {
             ASSERT_TRUE(configure(other, 10, -32));
             ASSERT_TRUE(configure(*going, 9, -31));
             refuse(true, EINVAL);
             refuse(false);
             going->CleanBeforeDestroy();
             going.reset();
         },
         [] {}, 8, -30},
        {"refused again at the reopening",
         [&](Receiver&, std::unique_ptr<Receiver>& going) {
             sim->FailOpen("/dev/dtmf", EMFILE, false);
             tonec->Hangup();
             Dispatch();
             going->CleanBeforeDestroy();
             going.reset();
         },
         [&] { refuse(true); }, 8, -30},
        {"a configure call refused",
         [&](Receiver& other, std::unique_ptr<Receiver>&) {
             refuse(false);
             EXPECT_FALSE(configure(other, 10, -32));
         },
         [] {}, 9, -31},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Receiver other(3);
        auto going = std::make_unique<Receiver>(3);
        ASSERT_TRUE(configure(other, 8, -30));
        ASSERT_TRUE(configure(*going, 9, -31));
        pass();  // apart from the reopening of the row before
        TestSupport::StreamCapture err(std::cerr), out(std::clog);
        row.steps(other, going);
        pass();
        EXPECT_EQ(tonec->State(3).dtmfConfig.twist, 9u);
        EXPECT_EQ(tonec->State(3).ivaConfig.det_lvl_dB, -31);
        sim->ClearFaults();
        row.cleared();
        pass(), pass();
        EXPECT_EQ(sim->OpenCount("/dev/dtmf"), 1u);
        EXPECT_EQ(tonec->State(3).dtmfConfig.twist, row.twist);
        EXPECT_EQ(tonec->State(3).ivaConfig.det_lvl_dB, row.level);
        other.CleanBeforeDestroy();
        if (going) going->CleanBeforeDestroy();
    }
}

// The dial and the audible call share the generator and its timer. A dial
// takes the generator for its length from what the other receiver on the
// timeslot plays, whose tone or cadence plays again after it, and whose own
// dial waits for it; a cadence takes it from the other's tone. What the
// generator plays, in ms after the first action (with the two levels when
// they differ). None of it writes an error line.
TEST_F(TonecTest, GeneratorSequences) {
    auto dial = [](std::vector<int> freqs, int toneMs = 0, int pauseMs = 0,
                   std::vector<int> levels = {}) {
        LGCP::TranslateDtmfParams p;
        for (std::size_t i = 0; i + 1 < freqs.size(); i += 2) {
            LGCP::DualTone t;
            t.set_freq1(freqs[i]), t.set_freq2(freqs[i + 1]);
            p.set_digits().push_back(t);
        }
        if (toneMs) p.set_toneDuration(toneMs), p.set_pauseDuration(pauseMs);
        if (!levels.empty()) p.set_amp1(levels[0]), p.set_amp2(levels[1]);
        return [p](Receiver& r) { r.translateDTMF(p); };
    };
    auto activate = [](Receiver& r) { r.activateAudibleCall(); };
    auto cancel = [](Receiver& r) { r.cancelAudibleCall(); };
    auto clean = [](Receiver& r) { r.CleanBeforeDestroy(); };
    auto stop = [](Receiver& r) { EXPECT_TRUE(r.disableToneGenerator(false)); };
    // What a mixer slot's destroy does to a dial in progress.
    auto release = [](Receiver& r) { r.enableSilence(), r.CleanBeforeDestroy(); };
    auto tone = [](unsigned short freq, unsigned short amp) {
        return [=](Receiver& r) { r.playTone(freq, amp); };
    };
    // The requests the driver refused.
    std::size_t refused = 0;
    // The next tone the driver is asked to play it refuses so.
    auto refuse = [this, &refused](int error) {
        return [this, &refused, error](Receiver&) {
            sim->FailRequest("/dev/dtmf", Tonec::Dial, error, true,
                             [&refused](const void*) { return ++refused; });
        };
    };
    // Every tone of this first frequency and level it refuses so, from now
    // on or once: a value it does not have, or a passing fault.
    auto refuseTone = [this, &refused](unsigned short freq, unsigned short amp, int error,
                                       bool once) {
        return [=, &refused](Receiver&) {
            sim->FailRequest("/dev/dtmf", Tonec::Dial, error, once, [=, &refused](const void* r) {
                const auto& dial = *static_cast<const Tonec::DialRecord*>(r);
                return dial.freq1 == freq && dial.amp1 == amp && ++refused;
            });
        };
    };
    struct Step {
        unsigned ms;
        std::function<void(Receiver&)> act;
        bool byOther = false;
    };
    using Played = std::pair<unsigned, std::string>;
    // Two digits of 300 ms then one of 1500 ms, each with a 100 ms pause:
    // the line carries the first dial whole, then the second.
    const std::vector<Played> oneThenTheOther = {
        {0, "tone 697 1209"},   {300, "silence"},  {400, "tone 770 1336"}, {700, "silence"},
        {800, "tone 941 1633"}, {2300, "silence"}, {2400, "off"}};
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<Played> played;
        int completed;
        int otherCompleted = 0;
        // The refusals written, and how many requests were refused.
        std::string errors = "";
        std::size_t refusals = 0;
    } table[] = {
        {"two digits",
         {{0, dial({697, 1209, 697, 1336})}},
         {{0, "tone 697 1209"},
          {70, "silence"},
          {140, "tone 697 1336"},
          {210, "silence"},
          {280, "off"}},
         1},
        {"own levels",
         {{0, dial({697, 1209}, 0, 0, {1000, 2000})}},
         {{0, "tone 697 1209 levels 1000 2000"}, {70, "silence"}, {140, "off"}},
         1},
        {"misdial stopped",
         {{0, dial({697, 1209, 697, 1336})}, {30, stop}},
         {{0, "tone 697 1209"}, {30, "off"}},
         0},
        {"no digits", {{0, dial({})}}, {{0, "off"}}, 1},
        {"the dial wins",
         {{0, dial({941, 1633}, 100, 50)}, {10, activate}, {20, cancel}},
         {{0, "tone 941 1633"}, {100, "silence"}, {150, "off"}},
         1},
        {"a tone of its own ends the dial",
         {{0, dial({697, 1209, 697, 1336})}, {30, tone(1000, 500)}},
         {{0, "tone 697 1209"}, {30, "off"}, {30, "tone 1000 0 levels 500 0"}},
         0},
        {"the other's tone comes back after the dial",
         {{0, tone(425, 1000), true}, {10, dial({697, 1209})}},
         {{0, "tone 425 0 levels 1000 0"},
          {10, "tone 697 1209"},
          {80, "silence"},
          {150, "tone 425 0 levels 1000 0"}},
         1},
        {"the other's tone refused as invalid does not come after the dial",
         {{0, refuse(EINVAL)}, {0, tone(425, 1000), true}, {10, dial({697, 1209})}},
         {{10, "tone 697 1209"}, {80, "silence"}, {150, "off"}},
         1,
         0,
         "DTMF_DIAL fail: timeslot=4 errno=\"Invalid argument\"\n",
         1},
        {"nor when its retry is refused as invalid",
         {{0, refuse(EIO)},
          {0, refuse(EINVAL)},
          {0, tone(425, 1000), true},
          {1100, dial({697, 1209})}},
         {{1100, "tone 697 1209"}, {1170, "silence"}, {1240, "off"}},
         1,
         0,
         "DTMF_DIAL fail: timeslot=4 errno=\"Input/output error\"\n"
         "DTMF_DIAL fail: timeslot=4 errno=\"Invalid argument\"\n",
         2},
        // A tone refused as invalid leaves the record wherever it stands:
        // the newer tone it was asked over, dropped at its retry, brings
        // back nothing.
        {"a tone refused as invalid over a newer one owed",
         {{0, refuse(EIO)},
          {0, tone(425, 1000)},
          {100, refuseTone(450, 1000, EIO, true)},
          {100, refuseTone(450, 1000, EINVAL, true)},
          {100, tone(450, 1000)},
          {200, refuseTone(425, 1000, EINVAL, false)},
          {200, tone(425, 1000)}},
         {},
         0,
         0,
         "DTMF_DIAL fail: timeslot=4 errno=\"Input/output error\"\n"
         "DTMF_DIAL fail: timeslot=4 errno=\"Invalid argument\"\n",
         4},
        // The other half's tone, asked for during the dial, is refused as
        // invalid when given back: it leaves that half's record, and the
        // stop that follows undoes the digit the dial's refused pause left.
        {"the other's tone refused for good when the dialling half goes mid-digit",
         {{0, dial({697, 1209, 770, 1336}, 300, 100)},
          {50, tone(600, 1000), true},
          {100, refuseTone(1000, 0, EIO, true)},
          {100, refuseTone(600, 1000, EINVAL, false)},
          {100, release}},
         {{0, "tone 697 1209"}, {100, "off"}},
         0,
         0,
         "DTMF_DIAL fail: timeslot=4 errno=\"Input/output error\"\n"
         "DTMF_DIAL fail: timeslot=4 errno=\"Invalid argument\"\n",
         2},
        // A digit refused holds the dial, which goes on from it once a retry
        // is taken: the far end hears every digit, in order.
        {"the first digit refused once",
         {{0, refuse(EIO)}, {0, dial({697, 1209, 770, 1336}, 300, 100)}},
         {{1000, "tone 697 1209"},
          {1300, "silence"},
          {1400, "tone 770 1336"},
          {1700, "silence"},
          {1800, "off"}},
         1,
         0,
         "DTMF_DIAL fail: timeslot=4 errno=\"Input/output error\"\n",
         1},
        {"a middle digit refused once",
         {{0, dial({697, 1209, 770, 1336}, 300, 100)}, {350, refuse(EIO)}},
         {{0, "tone 697 1209"},
          {300, "silence"},
          {1400, "tone 770 1336"},
          {1700, "silence"},
          {1800, "off"}},
         1,
         0,
         "DTMF_DIAL fail: timeslot=4 errno=\"Input/output error\"\n",
         1},
        // Refused as invalid, it cuts the dial short: nothing after it.
        {"a digit refused as invalid",
         {{0, dial({697, 1209, 770, 1336, 852, 1477}, 300, 100)}, {350, refuse(EINVAL)}},
         {{0, "tone 697 1209"}, {300, "silence"}, {400, "off"}},
         1,
         0,
         "DTMF_DIAL fail: timeslot=4 errno=\"Invalid argument\"\n"
         "DTMF_DIAL cut short: timeslot=4 errno=\"Invalid argument\"\n",
         1},
        {"the other's dial keeps the generator from a tone",
         {{0, dial({697, 1209}, 100, 50), true}, {10, tone(1000, 500)}},
         {{0, "tone 697 1209"}, {100, "silence"}, {150, "tone 1000 0 levels 500 0"}},
         0,
         1},
        {"two dials at once play one after the other",
         {{0, dial({697, 1209, 770, 1336}, 300, 100)}, {0, dial({941, 1633}, 1500, 100), true}},
         oneThenTheOther,
         1,
         1},
        {"a dial 50 ms into the other's waits for all of it",
         {{0, dial({697, 1209, 770, 1336}, 300, 100), true}, {50, dial({941, 1633}, 1500, 100)}},
         oneThenTheOther,
         1,
         1},
        {"the playing dial's receiver goes: the waiting dial starts at once",
         {{0, dial({697, 1209, 697, 1336}, 100, 50)},
          {10, dial({941, 1633}, 100, 50), true},
          {30, release}},
         {{0, "tone 697 1209"},
          {30, "silence"},
          {30, "tone 941 1633"},
          {130, "silence"},
          {180, "off"}},
         0,
         1},
        {"a waiting dial stopped sends nothing",
         {{0, dial({697, 1209}, 100, 50), true}, {10, dial({941, 1633})}, {20, stop}},
         {{0, "tone 697 1209"}, {100, "silence"}, {150, "off"}},
         0,
         1},
        {"a waiting dial's receiver goes and sends nothing",
         {{0, dial({697, 1209}, 100, 50), true}, {10, dial({941, 1633})}, {20, release}},
         {{0, "tone 697 1209"}, {100, "silence"}, {150, "off"}},
         0,
         1},
        {"a tone of its own ends a waiting dial and waits in turn",
         {{0, dial({697, 1209}, 100, 50), true}, {10, dial({941, 1633})}, {20, tone(1000, 500)}},
         {{0, "tone 697 1209"}, {100, "silence"}, {150, "tone 1000 0 levels 500 0"}},
         0,
         1},
        {"the other's dial keeps the generator from a cadence",
         {{0, dial({697, 1209}, 100, 50), true}, {10, activate}, {200, cancel}},
         {{0, "tone 697 1209"}, {100, "silence"}, {150, "tone 425 0"}, {200, "off"}},
         0,
         1},
        {"cadence cancelled",
         {{0, activate}, {1500, cancel}},
         {{0, "tone 425 0"}, {1000, "silence"}, {1500, "off"}},
         0},
        {"cadence cleaned",
         {{0, activate}, {4100, clean}},
         {{0, "tone 425 0"}, {1000, "silence"}, {4000, "tone 425 0"}, {4100, "off"}},
         0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        tonec->ClearHistory();
        TestSupport::StreamCapture err(std::cerr);
        Receiver r(4), other(4);
        LoopDriver driver(&clock, 10);
        const std::uint32_t start = Mux::milliseconds() + 10;
        driver.probe = [&](unsigned i) {
            for (const auto& step : row.steps)
                if (step.ms == (i - 1) * 10) step.act(step.byOther ? other : r);
        };
        driver.Run(600);
        std::vector<Played> played;
        for (const auto& d : Sent(Tonec::Dial)) {
            const auto record = d.As<Tonec::DialRecord>();
            std::string text = SimTonec::Describe(record);
            if (record.amp1 != record.amp2)
                text +=
                    " levels " + std::to_string(record.amp1) + ' ' + std::to_string(record.amp2);
            played.emplace_back(d.ms - start, text);
        }
        EXPECT_EQ(played, row.played);
        EXPECT_EQ(r.completed, row.completed);
        EXPECT_EQ(other.completed, row.otherCompleted);
        EXPECT_EQ(err.str(), row.errors);
        EXPECT_EQ(refused, row.refusals);
        other.CleanBeforeDestroy();
        sim->ClearFaults();
        refused = 0;
    }
    EXPECT_EQ(Sent(Tonec::Dial).front().As<Tonec::DialRecord>().amp1, 2048);
}

TEST_F(TonecTest, SelcalSendsFourSigns) {
    const struct {
        const char* signs;
        int amp;
        std::string sent;
        unsigned amplitude;
    } table[] = {{"ABCDEF", -1, "ABCD", 12000}, {"WXYZ", 500, "WXYZ", 500}, {"ABC", 1, "", 0}};
    for (const auto& row : table) {
        tonec->ClearHistory();
        Receiver r(2);
        TERM::SelcalCommand c;
        c.set_signs() = row.signs;
        if (row.amp >= 0) c.set_amp(row.amp);
        TestSupport::StreamCapture err(std::cerr);
        r.translateSelcal(c);
        auto sent = Sent(Tonec::SelcalDial);
        if (row.sent.empty()) {
            EXPECT_TRUE(sent.empty());
            EXPECT_EQ(err.str(), "SELCAL_DIAL fail: timeslot=2 incorect signs:ABC\n");
            continue;
        }
        ASSERT_EQ(sent.size(), 1u);
        auto record = sent[0].As<Tonec::SelcalRecord>();
        EXPECT_EQ(std::string(record.signs, 4), row.sent);
        EXPECT_EQ(record.amplitude, row.amplitude);
    }
}

// A driver whose stream ends is dropped from the loop at once instead of
// waking it for ever; the next configure call opens the device again.
TEST_F(TonecTest, AnEndedStreamLeavesTheLoopIdleUntilReopened) {
    Receiver r(5);
    LGCP::DTMFParams params;
    params.set_threshold().set_twist() = 8;
    params.set_level().set_silence() = 30;
    TestSupport::StreamCapture err(std::cerr), out(std::clog);
    tonec->Deliver("short", 5);
    tonec->Hangup();
    Dispatch(5);
    sim->FailOpen("/dev/dtmf", ENOENT, true);
    EXPECT_FALSE(r.configureDTMF(params));
    EXPECT_TRUE(r.configureDTMF(params));
    EXPECT_EQ(err.str(),
              "fail to read from tonec: short record of 5 octets dropped\n"
              "fail to read from tonec: end of stream\n"
              "open tonec fail, DTMF proceeding disabled: No such file or directory\n"
              "configure DTMF fail: (interface not opened) timeslot=5 errno=\"No such file or "
              "directory\"\n");
    EXPECT_NE(out.str().find("DTMF_CONFIGURE_DETECTOR ts=5 twist=8 ratio=0 noise=0 silence=30\n"),
              std::string::npos);
    EXPECT_EQ(tonec->State(5).dtmfConfig.silence, 30u);
}

// A hang-up that poll() reports alone, with nothing to read, gives the device
// up at once; the next request opens it again and detections come back.
TEST_F(TonecTest, AHangUpGivesTheDeviceUpUntilTheNextRequest) {
    Receiver r(5);
    {
        TestSupport::StreamCapture err(std::cerr);
        Hardware::TonecReceiverService::instance().OnEvent(-1, POLLHUP);
        Dispatch(3);
        EXPECT_EQ(err.str(), "fail to read from tonec: device error\n");
    }
    EXPECT_EQ(sim->OpenCount("/dev/dtmf"), 0u);
    EXPECT_TRUE(r.enableDTMF(true));
    EXPECT_EQ(sim->OpenCount("/dev/dtmf"), 1u);
    ASSERT_EQ(sim->Command("/dev/dtmf event 5 7"), "ok");
    Dispatch();
    EXPECT_EQ(r.codes, std::vector<int>{7});
}

// What a receiver plays on the generator while the driver is gone is
// answered, as every tone request is, and reaches the board once the driver
// is back, by itself though no detector is on.
TEST_F(TonecTest, ToneRequestsMissedWhileTheDriverIsGoneReachItOnceBack) {
    const struct {
        const char* name;
        std::function<void(Receiver&)> meanwhile;
        const char* plays;
    } rows[] = {
        {"stopped", [](Receiver& r) { r.disableToneGenerator(true); }, "off"},
        {"another tone", [](Receiver& r) { r.playTone(697, 1000); }, "tone 697 0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Receiver r(6);
        ASSERT_TRUE(r.playTone(425, 1000));
        LoopDriver(&clock, 10).Run(110);  // apart from the reopening of the row before
        sim->FailOpen("/dev/dtmf", EMFILE, false);
        tonec->Hangup();
        Dispatch();
        row.meanwhile(r);
        LoopDriver(&clock, 10).Run(110);
        EXPECT_EQ(sim->Command("/dev/dtmf generator 6"), "tone 425 0");
        sim->ClearFaults();
        LoopDriver(&clock, 10).Run(110);
        EXPECT_EQ(sim->OpenCount("/dev/dtmf"), 1u);
        EXPECT_EQ(sim->Command("/dev/dtmf generator 6"), row.plays);
        r.CleanBeforeDestroy();
    }
}

// Receivers that go while the driver is gone leave their sounds to the
// timeslot's stand-in, which takes the later one: the cadence that the
// generator last played gives way in the record to a steady tone, which is
// no longer the latest on the timeslot. Once the driver is back, the
// generator plays what the record holds: the tone asked for last.
TEST_F(TonecTest, SoundsLeftWhileTheDriverIsGoneGiveTheGeneratorTheRecords) {
    LoopDriver(&clock, 10).Run(110);  // apart from the reopening of the cases before
    auto cadence = std::make_unique<Receiver>(6), tone = std::make_unique<Receiver>(6);
    Receiver last(6);
    cadence->activateAudibleCall();
    ASSERT_TRUE(tone->playTone(500, 100));
    ASSERT_TRUE(last.playTone(700, 200));
    ASSERT_EQ(sim->Command("/dev/dtmf generator 6"), "tone 425 0");
    sim->FailOpen("/dev/dtmf", EMFILE, false);
    tonec->Hangup();
    Dispatch();
    for (auto* gone : {&cadence, &tone}) {
        (*gone)->CleanBeforeDestroy();
        gone->reset();
    }
    LoopDriver(&clock, 10).Run(110);
    EXPECT_EQ(sim->Command("/dev/dtmf generator 6"), "tone 425 0");
    sim->ClearFaults();
    LoopDriver(&clock, 10).Run(110);
    EXPECT_EQ(sim->OpenCount("/dev/dtmf"), 1u);
    EXPECT_EQ(sim->Command("/dev/dtmf generator 6"), "tone 700 0");
    last.CleanBeforeDestroy();
    EXPECT_EQ(sim->Command("/dev/dtmf generator 6"), "off");
}

// A dial or a cadence whose every step the open driver refuses: the first
// refusal is written, then one a second at most, not one a step, and the
// retries of what is owed meanwhile add none. A dial holds on the step
// refused, since the far end must hear its digits in order, and goes on
// from it once the driver takes it; held longer than its bound, it is cut
// short there, with its line and its end. The generator gets what the
// record holds a second after the driver takes requests again.
TEST_F(TonecTest, ADialTheDriverRefusesWritesItsFailureOnceASecond) {
    // Tones on other timeslots, refused with the dial's steps: their retries
    // spend the device's share of each second.
    std::vector<std::unique_ptr<Receiver>> crowd;
    auto crowded = [&crowd](Receiver& r) {
        for (unsigned ts = 100; ts < 100 + Hardware::OwedRequests::perSecond + 2; ++ts) {
            crowd.push_back(std::make_unique<Receiver>(ts));
            crowd.back()->playTone(425, 1000);
        }
        r.translateDTMF(Digits(3));
    };
    const struct {
        const char* name;
        std::function<void(Receiver&)> start;
        unsigned runMs;
        std::size_t fewest, most;  // lines
        int completed;             // while refused
        const char* cut;           // the dial's line when it is cut short
        unsigned afterMs;          // once the driver takes requests again
        const char* plays;         // then, where it is known
        std::size_t digits;        // taken by then
        // The loop's turns: the retries run late by up to one, as on a
        // loaded board, where every retry waits a second from its refusal.
        unsigned turnMs = 10;
    } rows[] = {
        // 20 tones and pauses of 70 ms, held on the first: 2.8 s once taken.
        {"a dial", [](Receiver& r) { r.translateDTMF(Digits(20)); }, 3000, 1, 1, 0, nullptr, 4000,
         "off", 20},
        // Refused at 0 s and at its retries, late, at 1.02, 2.04, 3.06 and
        // 4.08 s; the driver takes requests again at 4.5 s, and the step's
        // last try at the bound, 5 s, is taken: the dial plays on whole.
        {"a dial whose fault clears before its bound",
         [](Receiver& r) { r.translateDTMF(Digits(3)); }, 4500, 1, 1, 0, nullptr, 1500, "off", 3,
         30},
        // The same while the retries of 130 tones spend each second's share,
        // the last at 4.08 s: the last try is the dial's own, and goes.
        {"a dial whose fault clears before its bound, the share spent", crowded, 4500, 131, 131, 0,
         nullptr, 1500, "off", 3, 30},
        // 30 tones of 150 ms and pauses of 100 ms, cut short after 5 s; the
        // generator's stop that follows is refused in its turn.
        {"a dial held past its bound",
         [](Receiver& r) {
             LGCP::TranslateDtmfParams dial = Digits(30);
             dial.set_toneDuration(150), dial.set_pauseDuration(100);
             r.translateDTMF(dial);
         },
         7600, 2, 2, 1, "DTMF_DIAL cut short: timeslot=9 (a step not taken within 5 s)\n", 1100,
         "off", 0},
        // A tone of a second every four: steps at 0, 1, 4, 5 and 8 s.
        {"a cadence", [](Receiver& r) { r.activateAudibleCall(); }, 8500, 4, 5, 0, nullptr, 1100,
         nullptr, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LoopDriver(&clock, 10).Run(110);  // apart from the lines of the cases before
        Receiver r(9);
        ASSERT_TRUE(r.playTone(425, 1000));
        sim->FailRequest("/dev/dtmf", Tonec::Dial, EIO, false);
        tonec->ClearHistory();
        TestSupport::StreamCapture err(std::cerr);
        row.start(r);
        LoopDriver(&clock, row.turnMs).Run(row.runMs / row.turnMs);
        EXPECT_EQ(r.completed, row.completed);
        EXPECT_EQ(sim->Command("/dev/dtmf generator 9"), "tone 425 0");
        const std::size_t lines = Count(err.str(), "DTMF_DIAL fail:");
        EXPECT_GE(lines, row.fewest);
        EXPECT_LE(lines, row.most) << err.str();
        EXPECT_EQ(Count(err.str(), "DTMF_DIAL cut short:"), row.cut ? 1u : 0u) << err.str();
        if (row.cut) {
            EXPECT_NE(err.str().find(row.cut), std::string::npos) << err.str();
        }
        sim->ClearFaults();
        LoopDriver(&clock, row.turnMs).Run(row.afterMs / row.turnMs);
        if (row.plays) {
            EXPECT_EQ(sim->Command("/dev/dtmf generator 9"), row.plays);
            EXPECT_EQ(r.completed, 1);
        }
        const auto dialed = Sent(Tonec::Dial);
        auto digit = [](const SimTonec::Request& d) {
            const auto record = d.As<Tonec::DialRecord>();
            return record.timeslot == 9 && record.freq1 == 697;
        };
        EXPECT_EQ(row.digits, std::size_t(std::count_if(dialed.begin(), dialed.end(), digit)));
        r.CleanBeforeDestroy();
        for (auto& other : crowd) other->CleanBeforeDestroy();
        crowd.clear();
    }
}

// A tone driver readable at once after each open, and which, with the read
// fault, fails every read: a driver gone again right after each reopening.
struct FailingAfterOpen : SimTonec {
    int OnOpen(Board::SimOpen& open) override {
        const int result = SimTonec::OnOpen(open);
        const Tonec::EventRecord record{5, 9, 0, 0};
        open.Deliver(&record, sizeof record);
        return result;
    }
};

// A dial or a cadence on a driver that fails right after each reopening: its
// steps wait for the reopening of the next second instead of opening the
// device each, so the driver costs two lines a second, not two a step, and a
// step that waits is owed. The dial holds on the step that waits and goes
// on from it at each reopening, one step a second; once the driver reads
// again, it plays on to its end. The generator then plays what the record
// holds: after the dial, nothing; inside the cadence's pause, its silence.
TEST_F(TonecTest, StepsWaitForADriverGoneAgainRightAfterItsReopening) {
    const struct {
        const char* name;
        std::function<void(Receiver&)> start;
        unsigned faultMs;  // how long the driver fails after the start
        unsigned afterMs;  // how long it then reads
        int completed;
        const char* plays;  // once it has read that long
    } rows[] = {
        {"a dial", [](Receiver& r) { r.translateDTMF(Digits(20)); }, 3000, 3000, 1, "off"},
        {"a cadence", [](Receiver& r) { r.activateAudibleCall(); }, 1500, 1100, 0, "silence"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LoopDriver(&clock, 10).Run(110);  // apart from the reopening of the cases before
        tonec->Hangup();
        Dispatch();
        ASSERT_EQ(sim->OpenCount("/dev/dtmf"), 0u);
        std::unique_ptr<Board::SimDevice> model =
            sim->Replace(std::make_unique<FailingAfterOpen>());
        tonec = &sim->Model<SimTonec>("/dev/dtmf");
        sim->FailRead("/dev/dtmf", EIO, false);
        TestSupport::StreamCapture err(std::cerr), out(std::clog);
        {
            Receiver r(9);
            row.start(r);
            LoopDriver(&clock, 10).Run(row.faultMs / 10);
            EXPECT_EQ(r.completed, 0);
            sim->ClearFaults();
            LoopDriver(&clock, 10).Run(row.afterMs / 10);
            EXPECT_EQ(r.completed, row.completed);
            EXPECT_EQ(sim->Command("/dev/dtmf generator 9"), row.plays);
            r.CleanBeforeDestroy();
        }
        // A reopening and a failure a second, and the first failure.
        const std::size_t seconds = row.faultMs / 1000 + 1;
        EXPECT_LE(Count(out.str(), "open tonec again: done\n"), seconds) << out.str();
        EXPECT_LE(Count(err.str(), "fail to read from tonec: "), seconds + 1) << err.str();
        tonec->Hangup();
        Dispatch();
        ASSERT_EQ(sim->OpenCount("/dev/dtmf"), 0u);
        sim->Replace(std::move(model));
        tonec = &sim->Model<SimTonec>("/dev/dtmf");
    }
}

}  // namespace
