#include "control/TraceCtl.h"
#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimDsproc.h"
#include "hardware/DSProcReceiver.h"
#include "hardware/DSProcReceiverService.h"
#include "hardware/DsprocDriver.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <sstream>

using Board::SimDsproc;
using Hardware::DSProcReceiver;

namespace {

// Each callback as one line: "vad RX TX", "sd RX", "bss SCORE", "tone FREQ
// PRESENCE", "flags FLAGS MASK".
struct Receiver : DSProcReceiver {
    explicit Receiver(unsigned ts) : ts(ts) {}
    void dsproc_vad_event(const Hardware::DSProcVADEvent& e) override {
        Heard() << "vad " << e.rx << ' ' << e.tx;
    }
    void dsproc_bss_event(const ::dsproc_bss_event* e) override { Heard() << "bss " << e->score; }
    void dsproc_sd_event(const Hardware::DSProcSDEvent& e) override { Heard() << "sd " << e.rx; }
    void dsproc_tone_flt_event(const ::dsproc_tone_event* e) override {
        Heard() << "tone " << e->freq << ' ' << e->presence;
        if (onTone) onTone();
    }
    void dsproc_flags_event(const ::dsproc_flags_event* e) override {
        Heard() << "flags " << e->flags << ' ' << e->mask;
    }
    unsigned dsproc_timeslot() const override { return ts; }
    std::ostream& Heard() { return heard << (heard.tellp() ? "; " : ""); }
    unsigned ts;
    std::ostringstream heard;
    std::function<void()> onTone;
};

struct DSProcTest : ::testing::Test {
    DSProcTest() {
        ::setenv("HALVOXD_BOARD", "sim", 1);
        sim = Board::simulation();
        sim->Reset();
        dsp = &sim->Model<SimDsproc>("/dev/dsp");
        Hardware::DSProcReceiverService::instance().init();
    }
    // Each request as "number mask" (switches) or "number kind" (configure).
    std::vector<std::string> Sent() const {
        std::vector<std::string> sent;
        for (const auto& r : dsp->History()) {
            std::ostringstream s;
            s << std::hex << r.number << std::dec << ' ';
            if (r.number == Dsproc::Configure) {
                const auto record = r.As<Dsproc::ConfigureRecord>();
                s << "kind " << record.kind;
                if (record.kind == Dsproc::KindToneFilter)
                    s << " freq " << record.params.toneFilter.freq << " en "
                      << unsigned(record.params.toneFilter.enable);
            }
            if (r.number == Dsproc::Enable || r.number == Dsproc::Disable)
                s << "mask " << r.As<Dsproc::SwitchRecord>().mask;
            sent.push_back(s.str());
        }
        return sent;
    }
    Board::Sim* sim = nullptr;
    SimDsproc* dsp = nullptr;
};

const std::string E = "400c6402 mask ", D = "400c6403 mask ", C = "40146401 kind ";

// A set state is not sent again, an unset one always is; mute directions that
// go off are disabled; CleanBeforeDestroy undoes what was turned on.
TEST_F(DSProcTest, SwitchesSendWhatChangesState) {
    const struct {
        const char* name;
        std::function<void(Receiver&)> steps;
        std::vector<std::string> sent;
    } table[] = {
        {"unset VAD off twice", [](Receiver& r) { r.disableVAD(), r.disableVAD(); }, {D + "1"}},
        {"BSS starts off", [](Receiver& r) { EXPECT_TRUE(r.disableBSS()); }, {}},
        {"VAD on twice", [](Receiver& r) { r.enableVAD(true), r.enableVAD(true); }, {E + "1"}},
        {"mute one direction off",
         [](Receiver& r) { r.enableMute(true, true), r.enableMute(true, false); },
         {E + "12", E + "4", D + "8"}},
        {"mute both off",
         [](Receiver& r) { r.enableMute(true, true), r.disableMute(), r.disableMute(); },
         {E + "12", D + "12"}},
        {"clean a fresh receiver", [](Receiver& r) { r.CleanBeforeDestroy(); }, {D + "256"}},
        // Asked again as recorded, it still needs the device, to hear it.
        {"mute again without the device",
         [this](Receiver& r) {
             EXPECT_TRUE(r.enableMute(true, true));
             sim->FailOpen("/dev/dsp", EMFILE, false);
             dsp->Hangup();
             LoopDriver().Run(2);
             EXPECT_FALSE(r.enableMute(true, true));
             sim->ClearFaults();
             EXPECT_TRUE(r.disableMute());
         },
         {E + "12", D + "12"}},
        {"clean all",
         [](Receiver& r) {
             r.enableVAD(true), r.enableBSS(true), r.enableNG(true), r.enableSD(true);
             r.enableMute(false, true);
             r.configureDelays(1, 2, 3), r.configureRxGain(-6);
             r.CleanBeforeDestroy();
         },
         {E + "1", E + "16", E + "128", E + "2", E + "8", D + "4", C + "32", C + "64", D + "1",
          D + "16", D + "128", D + "12", C + "32", C + "64", D + "256"}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        dsp->ClearHistory();
        Receiver r(3);
        row.steps(r);
        EXPECT_EQ(Sent(), row.sent);
    }
    EXPECT_EQ(sim->Command("/dev/dsp enabled 3"), "2");
    Receiver r(6);
    r.enableMute(true, true), r.enableMute(true, false);
    EXPECT_EQ(sim->Command("/dev/dsp enabled 6"), "4");
}

TEST_F(DSProcTest, VadParametersFollowTheDriverVersion) {
    LGCP::VADParams v1, v2;
    v1.select_v1();
    TERM::VADParamsV2& p = v2.select_v2();
    p.set_voice_th_msec(20), p.set_silence_th_msec(300), p.set_e_th_dB(-3);
    // A configure the driver refuses is answered so: the words the driver
    // took from a receiver gone before stay, and nothing is sent for them.
    const struct {
        int version;
        const LGCP::VADParams& params;
        bool result;
        std::vector<std::uint32_t> words;
        int refused = 0;
    } table[] = {
        {1, v2, true, {3, 127, 0}},
        {2, v1, false, {}},
        {2, v2, true, {20u | 300u << 16, 0xFD, 0}},
        {2, v2, false, {}, EIO},
        {3, v2, true, {3, 127, 0}},
    };
    for (const auto& row : table) {
        dsp->ClearHistory();
        dsp->SetVersion(row.version);
        if (row.refused) sim->FailRequest("/dev/dsp", Dsproc::Configure, row.refused, true);
        Receiver r(8);
        EXPECT_EQ(r.configureVAD(row.params), row.result);
        std::vector<std::uint32_t> words;
        for (const auto& req : dsp->History())
            if (req.number == Dsproc::Configure) {
                auto record = req.As<Dsproc::ConfigureRecord>();
                words.assign(record.params.words, record.params.words + 3);
            }
        EXPECT_EQ(words, row.words) << row.version;
    }
}

// Events reach the first receiver on their timeslot by type; VAD and SD only
// while on and under their latest id, BSS while on, the others always.
TEST_F(DSProcTest, EventsAreDispatchedByType) {
    Receiver r(9), fresh(10);
    r.enableVAD(true), r.enableSD(true);
    const std::uint32_t vadId = dsp->State(9).ids.at(Dsproc::MaskVAD);
    const struct {
        Dsproc::EventRecord record;
        std::string heard;
    } table[] = {
        {{9, vadId, Dsproc::TypeVAD, {{2, 5, 7}}}, "vad -1 7"},
        {{9, vadId, Dsproc::TypeVAD, {{3, 5, 7}}}, "vad 5 7"},
        {{9, vadId - 1, Dsproc::TypeVAD, {{3, 5, 7}}}, ""},
        {{10, 0, Dsproc::TypeVAD, {{3, 5, 7}}}, ""},
        {{9, vadId + 1, Dsproc::TypeSD, {{4}}}, "sd 4"},
        {{9, 0, Dsproc::TypeBSS, {{0}}}, ""},
        {{9, 0, Dsproc::TypeToneFilter, {{1000, 1}}}, "tone 1000 1"},
        {{9, 0, Dsproc::TypeFlags, {{255, 16}}}, "flags 255 16"},
        {{9, 0, 0x40, {{1}}}, ""},
    };
    for (const auto& row : table) {
        r.heard.str(""), fresh.heard.str("");
        dsp->Deliver(&row.record, sizeof row.record);
        LoopDriver().Run(2);
        EXPECT_EQ(r.heard.str() + fresh.heard.str(), row.heard) << row.record.type;
    }
    r.enableBSS(true), r.disableSD();
    EXPECT_EQ(sim->Command("/dev/dsp event 9 16 0.5"), "ok");
    EXPECT_EQ(sim->Command("/dev/dsp event 9 2 4"), "ok");
    LoopDriver().Run(2);
    EXPECT_EQ(r.heard.str(), "bss 0.5");
}

// Two receivers on one timeslot, as an input and an output of one mixer
// channel: each event goes to the one whose feature made it, whichever was
// made first, and a destroy leaves on what the other uses.
TEST_F(DSProcTest, TwoReceiversOnATimeslotShareTheDriverState) {
    {
        Receiver output(9), input(9);
        output.enableVAD(true);
        input.enableSD(true), input.enableBSS(true), input.configureToneFilter(1000, 1, 40, -20);
        for (const char* event :
             {"2 4", "1 3 5 7", "256 1000 1", "256 2000 1", "16 0.5", "512 1 2"})
            ASSERT_EQ(sim->Command(std::string("/dev/dsp event 9 ") + event), "ok");
        LoopDriver().Run(2);
        EXPECT_EQ(input.heard.str(), "sd 4; tone 1000 1; bss 0.5");
        EXPECT_EQ(output.heard.str(), "vad 5 7; tone 2000 1; flags 1 2");
        output.CleanBeforeDestroy(), input.releaseSD(), input.CleanBeforeDestroy();
    }
    const struct {
        const char* name;
        std::function<void(Receiver& other, Receiver& going)> steps;
        std::vector<std::string> sent;
        const char* enabled;
    } table[] = {
        {"what the other has on stays on",
         [](Receiver& other, Receiver& going) {
             other.enableVAD(true), other.enableSD(true), other.configureDelays(1, 2, 3);
             other.configureToneFilter(1000, 1, 40, -20);
             going.enableVAD(true), going.enableSD(true), going.enableBSS(true);
             going.configureDelays(4, 5, 6);
             going.configureToneFilter(1000, 1, 40, -20),
                 going.configureToneFilter(2000, 1, 40, -20);
         },
         {D + "16", C + "32", C + "256 freq 2000 en 0"},
         "3"},
        {"the other's filters keep the timeslot's",
         [](Receiver& other, Receiver&) { other.configureToneFilter(1000, 1, 40, -20); },
         {},
         "0"},
        {"a direction the other mutes stays muted",
         [](Receiver& other, Receiver& going) {
             other.enableMute(true, false), going.enableMute(true, true);
         },
         {D + "8", D + "256"},
         "4"},
        {"alone, it switches off what it turned on",
         [](Receiver&, Receiver& going) { going.enableSD(true), going.configureRxGain(-6); },
         {D + "2", C + "64", D + "256"},
         "0"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        Receiver other(9);
        auto going = std::make_unique<Receiver>(9);
        row.steps(other, *going);
        dsp->ClearHistory();
        going->releaseSD(), going->CleanBeforeDestroy();
        going.reset();
        EXPECT_EQ(Sent(), row.sent);
        EXPECT_EQ(sim->Command("/dev/dsp enabled 9"), row.enabled);
        other.releaseSD(), other.CleanBeforeDestroy();
    }
}

// A switch the other receiver on the timeslot has on is neither switched
// again nor off by this one, which shares its id: the events follow the one
// left, whichever enabled first.
TEST_F(DSProcTest, ASwitchOffLeavesOnWhatTheOtherUses) {
    Receiver other(9), going(9);
    other.enableSD(true), other.enableVAD(true), other.configureToneFilter(1000, 1, 40, -20);
    dsp->ClearHistory();
    going.enableVAD(true), going.enableBSS(true), going.configureToneFilter(2000, 1, 40, -20);
    going.disableSD(), going.disableVAD(), going.configureToneFilter(1000, 0, 0, 0);
    EXPECT_EQ(Sent(), (std::vector<std::string>{E + "16", C + "256 freq 2000 en 1"}));
    EXPECT_EQ(sim->Command("/dev/dsp enabled 9"), "19");

    going.enableSD(true), going.disableSD(), other.disableVAD();
    for (const char* event : {"2 4", "1 3 5 7", "256 1000 1"})
        ASSERT_EQ(sim->Command(std::string("/dev/dsp event 9 ") + event), "ok");
    LoopDriver().Run(2);
    EXPECT_EQ(other.heard.str(), "sd 4; tone 1000 1");
    EXPECT_EQ(going.heard.str(), "");
    EXPECT_EQ(sim->Command("/dev/dsp enabled 9"), "18");
    for (Receiver* r : {&going, &other}) r->releaseSD(), r->CleanBeforeDestroy();
    EXPECT_EQ(sim->Command("/dev/dsp enabled 9"), "0");
}

// Two receivers on one timeslot switch a feature on, in turn, and the first
// switches it off: the second keeps it and its events. A receiver on another
// timeslot is no other half.
TEST_F(DSProcTest, TheHalfThatIsLeftKeepsWhatItSwitchedOn) {
    using Switch = std::function<void(Receiver&, bool)>;
    const struct {
        const char* name;
        Switch turn;
        const char* event;
        const char* heard;
        // What the driver holds for the receiver on timeslot 10.
        const char* query;
        const char* elsewhere;
    } table[] = {
        {"VAD", [](Receiver& r, bool on) { r.enableVAD(on); }, "1 1 1 0", "vad 1 -1", "enabled 10",
         "1"},
        {"SD", [](Receiver& r, bool on) { r.enableSD(on); }, "2 1", "sd 1", "enabled 10", "2"},
        {"BSS", [](Receiver& r, bool on) { r.enableBSS(on); }, "16 0.5", "bss 0.5", "enabled 10",
         "16"},
        {"tone filter", [](Receiver& r, bool on) { r.configureToneFilter(1000, on, 40, -20); },
         "256 1000 1", "tone 1000 1", "configured 10 256 1000", "1000 1 40 236"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        Receiver first(9), second(9), elsewhere(10);
        row.turn(first, true), row.turn(elsewhere, true), row.turn(second, true);
        row.turn(first, false);
        EXPECT_EQ(sim->Command(std::string("/dev/dsp ") + row.query), row.elsewhere);
        ASSERT_EQ(sim->Command(std::string("/dev/dsp event 9 ") + row.event), "ok");
        LoopDriver().Run(2);
        EXPECT_EQ(second.heard.str(), row.heard);
        EXPECT_EQ(first.heard.str(), "");
        for (Receiver* r : {&first, &second, &elsewhere}) r->releaseSD(), r->CleanBeforeDestroy();
    }
}

// Receivers that go without their clean-up, on several timeslots and in any
// order, leave nothing in the records: a receiver made after them on their
// timeslot switches VAD on and off alone, though the driver still has theirs
// on, and its first SD switch-off, never set before, goes to the driver.
TEST_F(DSProcTest, AReceiverLeavesTheRecordOfItsTimeslot) {
    const std::vector<std::vector<int>> orders = {{0, 1, 2, 3}, {3, 2, 1, 0}, {2, 0, 3, 1}};
    for (std::size_t n = 0; n < orders.size(); ++n) {
        const auto& order = orders[n];
        std::unique_ptr<Receiver> gone[] = {
            std::make_unique<Receiver>(1), std::make_unique<Receiver>(2),
            std::make_unique<Receiver>(3), std::make_unique<Receiver>(3)};
        for (auto& r : gone) r->enableVAD(true), r->enableSD(true);
        for (int i : order) gone[i].reset();
        for (unsigned ts : {1u, 2u, 3u}) {
            SCOPED_TRACE(testing::Message() << "timeslot " << ts << ", order " << n);
            Receiver next(ts);
            dsp->ClearHistory();
            next.enableVAD(true), next.disableVAD(), next.disableSD();
            EXPECT_EQ(Sent(), (std::vector<std::string>{E + "1", D + "1", D + "2"}));
        }
    }
}

// Both receivers with the filter on hear its event, unless the first one's
// callback destroys the other.
TEST_F(DSProcTest, AListenerGoneInAnotherOnesCallbackIsNotCalled) {
    Receiver first(9);
    auto* second = new Receiver(9);
    for (Receiver* r : {&first, second}) r->configureToneFilter(1000, 1, 40, -20);
    first.onTone = [&] {
        if (second) delete second;
        second = nullptr;
    };
    ASSERT_EQ(sim->Command("/dev/dsp event 9 256 1000 1"), "ok");
    ASSERT_EQ(sim->Command("/dev/dsp event 9 256 1000 0"), "ok");
    LoopDriver().Run(2);
    EXPECT_EQ(first.heard.str(), "tone 1000 1; tone 1000 0");
    first.CleanBeforeDestroy();
}

// The driver holds the parameters asked for last. When the receiver that
// asked for them undoes them or goes, the other's own come back, and are not
// sent again where they are the same.
TEST_F(DSProcTest, TheOtherHalfsSettingsComeBack) {
    // The first pair's, then the second's (1000, 200, 30 and 300, 400, 20),
    // then a third (300, 500, 40).
    LGCP::VADParams vad[5];
    for (int i = 0; i < 5; ++i) {
        TERM::VADParamsV2& p = vad[i].select_v2();
        const int voice[] = {20, 21, 1000, 300, 300}, silence[] = {300, 300, 200, 400, 500},
                  energy[] = {-3, -3, 30, 20, 40};
        p.set_voice_th_msec(voice[i]), p.set_silence_th_msec(silence[i]), p.set_e_th_dB(energy[i]);
    }
    using Set = std::function<void(Receiver&, int)>;
    const Set filter = [](Receiver& r, int i) {
        r.configureToneFilter(1000, 1, 50 + 150 * i, -20 * (i + 1));
    };
    const Set delays = [](Receiver& r, int i) { r.configureDelays(10 + 70 * i, 20 + 70 * i, 0); };
    const struct {
        const char* name;
        Set set;
        // The going receiver's undo; none: it is destroyed.
        std::function<void(Receiver&)> undo;
        const char* query;
        const char* left;
        // The staying half's own is refused as invalid: the board never
        // holds it, and nothing sends it later.
        bool ownInvalid = false;
        // The staying half's own is refused once, replaced by the going
        // half's before its retry, and refused as invalid when sent back:
        // that is the staying half's ask, which leaves its record, so the
        // board ends on the plain reset, never on the gone half's.
        bool stayingRefused = false;
        // The staying half's own is refused as invalid when sent back: a
        // kind with no reset leaves the driver on the gone half's, and
        // nothing else is sent.
        bool sentBackInvalid = false;
        // The staying half asks again what it holds, refused with EIO: the
        // call fails, and the record keeps it.
        std::function<bool(Receiver&)> again = nullptr;
    } table[] = {
        {"filter off", filter, [](Receiver& r) { r.configureToneFilter(1000, 0, 0, 0); },
         "256 1000", "1000 1 50 236"},
        {"filter destroyed", filter, nullptr, "256 1000", "1000 1 50 236"},
        {"delays reset", delays, [](Receiver& r) { r.configureDelays(0, 0, 0); }, "32", "10 20 0"},
        {"delays destroyed", delays, nullptr, "32", "10 20 0"},
        {"delays refused as invalid, then the other's destroyed", delays, nullptr, "32", "0 0 0",
         true},
        {"delays refused, replaced, then refused as invalid when sent back", delays, nullptr, "32",
         "0 0 0", false, true},
        {"gain destroyed", [](Receiver& r, int i) { r.configureRxGain(std::int8_t(-6 * (i + 1))); },
         nullptr, "64", "250"},
        {"VAD destroyed", [&](Receiver& r, int i) { r.configureVAD(vad[i]); }, nullptr, "1",
         "20 300 253"},
        {"VAD sent back, refused as invalid, beside a filter",
         [&](Receiver& r, int i) {
             if (!i) r.configureToneFilter(1000, 1, 50, -20);
             r.configureVAD(vad[2 + i]);
         },
         nullptr, "256 1000", "1000 1 50 236", false, false, true},
        {"VAD asked again, refused with EIO",
         [&](Receiver& r, int i) {
             if (!i) r.configureVAD(vad[2]);
             r.configureVAD(vad[4 - i]);
         },
         nullptr, "1", "300 500 40", false, false, false,
         [&](Receiver& r) { return r.configureVAD(vad[4]); }},
    };
    // The staying half's own sent back, the same as the going one's, or
    // sent back and refused once: owed, it reaches the board a second later
    // (the driver records only what it takes).
    enum How { Same, SentBack, RefusedOnce };
    FakeClock clock{5000};
    for (const auto& row : table) {
        const bool plain =
            !row.ownInvalid && !row.stayingRefused && !row.sentBackInvalid && !row.again;
        for (How how : {SentBack, Same, RefusedOnce}) {
            if (!plain && how != SentBack) continue;
            SCOPED_TRACE(std::string(row.name) + (how == Same          ? ", the same"
                                                  : how == RefusedOnce ? ", refused once"
                                                                       : ""));
            Receiver other(9);
            auto going = std::make_unique<Receiver>(9);
            if (row.ownInvalid) sim->FailRequest("/dev/dsp", Dsproc::Configure, EINVAL, true);
            if (row.stayingRefused) sim->FailRequest("/dev/dsp", Dsproc::Configure, EIO, true);
            row.set(other, 0), row.set(*going, how == Same ? 0 : 1);
            if (row.again) {
                sim->FailRequest("/dev/dsp", Dsproc::Configure, EIO, true);
                EXPECT_FALSE(row.again(other));
            }
            dsp->ClearHistory();
            // The sends of the staying half's own, refused for good.
            std::size_t refusals = 0;
            if (row.stayingRefused)
                sim->FailRequest("/dev/dsp", Dsproc::Configure, EINVAL, false,
                                 [&refusals](const void* r) {
                                     const auto& record =
                                         *static_cast<const Dsproc::ConfigureRecord*>(r);
                                     return record.params.delays.rx == 10 && ++refusals;
                                 });
            if (how == RefusedOnce) sim->FailRequest("/dev/dsp", Dsproc::Configure, EIO, true);
            if (row.sentBackInvalid) sim->FailRequest("/dev/dsp", Dsproc::Configure, EINVAL, true);
            if (row.undo) {
                row.undo(*going);
            } else {
                going->CleanBeforeDestroy();
                going.reset();
            }
            LoopDriver(&clock, 10).Run(110);
            EXPECT_EQ(sim->Command(std::string("/dev/dsp configured 9 ") + row.query), row.left);
            std::size_t configures = 0;
            for (const auto& r : dsp->History()) configures += r.number == Dsproc::Configure;
            EXPECT_EQ(configures, how == Same || row.sentBackInvalid ? 0u : 1u);
            EXPECT_EQ(refusals, row.stayingRefused ? 1u : 0u);
            sim->ClearFaults();
            other.CleanBeforeDestroy();
        }
    }
}

// Under "signalling.events" each event is traced; the flags are hexadecimal
// in their own line only.
TEST_F(DSProcTest, TracesKeepTheNumberFormat) {
    traces.signalling.events = true;
    Receiver r(17);
    TestSupport::StreamCapture out(std::clog), err(std::cerr);
    sim->Command("/dev/dsp event 17 512 255 16");
    sim->Command("/dev/dsp event 17 1 1 2 3");
    sim->Command("/dev/dsp event 18 2 1");
    LoopDriver().Run(2);
    EXPECT_EQ(out.str(),
              "dsproc event:  timeslot=17 id=0 type=512\n"
              "dsproc flags event:  flags=ff, mask=10\n"
              "dsproc event:  timeslot=17 id=0 type=1\n"
              "dsproc vad event:  dir_mask=1 vad_rx=2 vad_tx=3\n"
              "ignore spurious dsproc vad event:  timeslot=17 id=0 type=1 rid=0\n"
              "dsproc event:  timeslot=18 id=0 type=2\n"
              "dsproc sd event:  sd_rx=1\n"
              "Mux: terminating...\n");
    EXPECT_EQ(err.str(), "receive dsproc event from unknown timeslot 18\n");
    EXPECT_EQ(r.heard.str(), "flags 255 16");
}

// A driver that hung up is opened again by the next switch, not only by a
// configure call.
TEST_F(DSProcTest, ASwitchOpensAGoneDeviceAgain) {
    Receiver r(4);
    TestSupport::StreamCapture err(std::cerr);
    dsp->Hangup();
    LoopDriver().Run(2);
    ASSERT_EQ(sim->OpenCount("/dev/dsp"), 0u);
    EXPECT_TRUE(r.enableVAD(true));
    EXPECT_EQ(sim->Command("/dev/dsp enabled 4"), "1");
}

// What a receiver configures is answered, as those calls are, whatever the
// driver does with it: a setting, its undoing, or every filter going off.
// Rows: what the receiver holds before, what it asks for while the driver
// misses it, the query of the simulated board and what that reads once the
// driver has it, whether that undoes what was held before, and a line the
// ask writes while the device is gone, where the row checks one.
const struct MissedSetting {
    const char* name;
    std::function<void(Receiver&)> before, meanwhile;
    const char* query;
    const char* held;
    bool undo;
    const char* unopened = nullptr;
} missedSettings[] = {
    {"a gain", [](Receiver& r) { r.configureRxGain(-6); },
     [](Receiver& r) { r.configureRxGain(-3); }, "/dev/dsp gain 7", "0xFD", false},
    {"a gain undone", [](Receiver& r) { r.configureRxGain(-6); },
     [](Receiver& r) { r.configureRxGain(0); }, "/dev/dsp gain 7", "0x00", true},
    {"a filter off", [](Receiver& r) { r.configureToneFilter(1000, 1, 50, -20); },
     [](Receiver& r) { r.configureToneFilter(1000, 0, 0, 0); }, "/dev/dsp configured 7 256 1000",
     "1000 0 0 0", true},
    {"every filter off", [](Receiver& r) { r.configureToneFilter(1000, 1, 50, -20); },
     [](Receiver& r) { r.disableToneAll(); }, "/dev/dsp configured 7 256 1000", "1000 0 50 236",
     true},
    {"a signal detector given up", [](Receiver& r) { r.enableSD(true); },
     [](Receiver& r) { r.releaseSD(); }, "/dev/dsp enabled 7", "0", true},
    {"voice activity off at a destroy", [](Receiver& r) { r.enableVAD(true); },
     [](Receiver& r) { r.CleanBeforeDestroy(); }, "/dev/dsp enabled 7", "0", true},
    {"mutes off at a destroy", [](Receiver& r) { r.enableMute(true, true); },
     [](Receiver& r) { r.CleanBeforeDestroy(); }, "/dev/dsp enabled 7", "0", true},
    // Owed apart: the other frequency's does not take the first one's place.
    {"two filters", [](Receiver& r) { r.configureToneFilter(1000, 1, 50, -20); },
     [](Receiver& r) {
         r.configureToneFilter(1000, 1, 70, -10);
         r.configureToneFilter(1200, 1, 60, -10);
     },
     "/dev/dsp configured 7 256 1000", "1000 1 70 246", false,
     "Configure Tone Filter fail: (interface not opened) timeslot=7 freq=1200 errno="},
};

// Missed while the driver is gone, it reaches the board once the driver is
// back, by itself though no detector is on; refused by the open driver, and
// refused again when asked a second later, it reaches the board the second
// after the driver takes requests again, and nothing is sent after that. A
// setting refused as invalid is final: sent once, it is not sent again; an
// undo is not, since what it undoes is still on the board.
TEST_F(DSProcTest, ConfigurationsTheDriverMissedReachItOnceBack) {
    FakeClock clock{5000};
    auto pass = [&clock] { LoopDriver(&clock, 10).Run(110); };  // a second
    auto refuse = [this](int error) {
        for (unsigned long request : {Dsproc::Configure, Dsproc::Disable})
            sim->FailRequest("/dev/dsp", request, error, false);
    };
    const struct {
        const char* name;
        std::function<void()> fault;
        bool reopens;
        bool final;
    } faults[] = {
        {"gone",
         [&] {
             sim->FailOpen("/dev/dsp", EMFILE, false);
             dsp->Hangup();
         },
         true, false},
        {"refusing", [&] { refuse(EIO); }, false, false},
        {"refusing as invalid", [&] { refuse(EINVAL); }, false, true},
    };
    for (const auto& fault : faults)
        for (const auto& row : missedSettings) {
            SCOPED_TRACE(std::string(fault.name) + ", " + row.name);
            Receiver r(7);
            row.before(r);
            const std::string before = sim->Command(row.query);
            pass();  // apart from the reopening of the row before
            fault.fault();
            pass();
            {
                TestSupport::StreamCapture err(std::cerr);
                row.meanwhile(r);
                if (fault.reopens && row.unopened) {
                    EXPECT_NE(err.str().find(row.unopened), std::string::npos) << err.str();
                }
            }
            pass();
            EXPECT_EQ(sim->Command(row.query), before);
            sim->ClearFaults();
            pass();
            if (fault.reopens) {
                EXPECT_EQ(sim->OpenCount("/dev/dsp"), 1u);
            }
            EXPECT_EQ(sim->Command(row.query), fault.final && !row.undo ? before : row.held);
            dsp->ClearHistory();
            pass();
            EXPECT_EQ(dsp->History().size(), 0u);
            r.CleanBeforeDestroy();
        }
}

// The switch-off of every filter on a timeslot, refused at a destroy, is
// owed: a filter the next receiver there sets meanwhile stays on once the
// switch-off reaches the driver, the gone receiver's goes off, and while it
// is owed the next receiver hears none of the gone one's tones. A filter
// still owed when every filter is switched off is owed no more: it does not
// come on later for a receiver that asked for none.
TEST_F(DSProcTest, AFilterSetWhileEveryFilterIsOwedOffStaysOn) {
    const struct {
        const char* name;
        unsigned long refused;  // by the driver until the next receiver is made
        std::function<void(Receiver&)> gone, next;
        const char* tone;  // an event of the gone receiver's filter, if any, meanwhile
        // The errors the driver answers the next receiver's filters with, in
        // turn, when the switch-off sends them back.
        const char* back;
        const char *held1000, *held1200;
    } rows[] = {
        {"every filter owed off", Dsproc::Disable,
         [](Receiver& r) { r.configureToneFilter(1000, 1, 50, -20); },
         [](Receiver& r) { r.configureToneFilter(1200, 1, 60, -10); }, "1000 1", "",
         "1000 0 50 236", "1200 1 60 246"},
        // Sent back, the second filter is refused as invalid and leaves the
        // record the walk is on; the first, refused before it, waits a
        // second from its refusal all the same, off meanwhile.
        {"every filter owed off, those sent back refused", Dsproc::Disable,
         [](Receiver& r) { r.configureToneFilter(1000, 1, 50, -20); },
         [](Receiver& r) {
             r.configureToneFilter(1200, 1, 60, -10);
             r.configureToneFilter(1400, 1, 70, -5);
         },
         nullptr, "EIO EINVAL", "1000 0 50 236", "1200 0 60 246"},
        {"a filter owed when every filter goes off", Dsproc::Configure,
         [](Receiver& r) {
             r.configureToneFilter(1000, 1, 50, -20);
             r.disableToneAll();
         },
         [](Receiver&) {}, nullptr, "", "none", "none"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeClock clock{5000};
        sim->Reset();
        auto gone = std::make_unique<Receiver>(8);
        sim->FailRequest("/dev/dsp", row.refused, EIO, false);
        row.gone(*gone);
        gone->CleanBeforeDestroy();
        gone.reset();
        Receiver next(8);
        row.next(next);
        if (row.tone) {
            ASSERT_EQ(sim->Command(std::string("/dev/dsp event 8 256 ") + row.tone), "ok");
            LoopDriver().Run(2);
            EXPECT_EQ(next.heard.str(), "");
        }
        sim->ClearFaults();
        std::istringstream back(row.back);
        for (std::string error; back >> error;)
            ASSERT_EQ(sim->Command("fail /dev/dsp " + std::to_string(Dsproc::Configure) + " " +
                                   error + " once"),
                      "ok");
        LoopDriver(&clock, 10).Run(110);
        EXPECT_EQ(sim->Command("/dev/dsp configured 8 256 1000"), row.held1000);
        EXPECT_EQ(sim->Command("/dev/dsp configured 8 256 1200"), row.held1200);
        next.CleanBeforeDestroy();
    }
}

}  // namespace
