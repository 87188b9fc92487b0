// The tone and voice-processing drivers after a failure, one body over both:
// a driver given up while a detector is on comes back by itself, and no
// request goes to it while it cannot be opened.
#include "hardware/DSProcReceiver.h"
#include "hardware/DriverDevice.h"
#include "hardware/DsprocDriver.h"
#include "hardware/TonecDriver.h"
#include "hardware/TonecReceiver.h"
#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimEventDevice.h"
#include "hardware/sim/BoardSimTonec.h"
#include "runtime/tests/FakeClock.h"
#include "runtime/tests/LoopDriver.h"
#include "tests/support/StreamCapture.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <vector>
#include <string>

namespace {

// A receiver of either service, with the detector it switches on, another
// one, two configure calls of different kinds, an ask answered with success
// and the clean-up of its destroy.
struct Listener {
    virtual ~Listener() = default;
    virtual bool SwitchOn() = 0;
    virtual bool SwitchOnAnother() = 0;
    virtual bool Configure() = 0;
    virtual bool ConfigureAnother() = 0;
    virtual void Ask() = 0;
    virtual void Clean() = 0;
    int heard = 0;
};

// Parameters of the configure kinds, each telling its value apart.
LGCP::DTMFParams Dtmf(unsigned twist) {
    LGCP::DTMFParams params;
    params.set_threshold().set_twist() = twist;
    params.set_level().set_silence() = 30;
    return params;
}
LGCP::IVAParams Iva(int level) {
    LGCP::IVAParams params;
    params.set_det_lvl_dB(level);
    return params;
}
LGCP::VADParams Vad(int voiceMs) {
    LGCP::VADParams params;
    TERM::VADParamsV2& v2 = params.select_v2();
    v2.set_voice_th_msec(voiceMs), v2.set_silence_th_msec(200), v2.set_e_th_dB(30);
    return params;
}

struct Tone : Listener, Hardware::TonecReceiver {
    explicit Tone(unsigned ts) : ts(ts) {}
    bool SwitchOn() override { return enableDTMF(true); }
    bool SwitchOnAnother() override { return enableIVA(true); }
    bool Configure() override { return configureDTMF(Dtmf(8)); }
    bool ConfigureAnother() override { return configureIVA(Iva(-30)); }
    void Ask() override { playTone(425, 1000); }
    void Clean() override { TonecReceiver::CleanBeforeDestroy(); }
    void tonec_event(const Params&) override { ++heard; }
    unsigned tonec_timeslot() const override { return ts; }
    unsigned ts;
};

struct Voice : Listener, Hardware::DSProcReceiver {
    explicit Voice(unsigned ts) : ts(ts) {}
    bool SwitchOn() override { return enableVAD(true); }
    bool SwitchOnAnother() override { return enableBSS(true); }
    bool Configure() override { return configureSD(); }
    bool ConfigureAnother() override { return configureVAD(Vad(100)); }
    void Ask() override { configureDelays(10, 20, 0); }
    void Clean() override { DSProcReceiver::CleanBeforeDestroy(); }
    void dsproc_vad_event(const Hardware::DSProcVADEvent&) override { ++heard; }
    void dsproc_bss_event(const ::dsproc_bss_event*) override {}
    void dsproc_sd_event(const Hardware::DSProcSDEvent&) override {}
    void dsproc_tone_flt_event(const ::dsproc_tone_event*) override {}
    void dsproc_flags_event(const ::dsproc_flags_event*) override { ++heard; }
    unsigned dsproc_timeslot() const override { return ts; }
    unsigned ts;
};

struct Driver {
    const char* path;
    const char* name;  // as the lines call it
    const char* openFailure;
    std::function<std::unique_ptr<Listener>(unsigned ts)> make;
    // What follows the timeslot in the lines of events SwitchOn()'s
    // detector makes: the first with no id to tell it stale (a DTMF code,
    // VAD's flags), then VAD's own.
    std::vector<const char*> detections;
    const char* refused;    // Configure()'s line without the device
    const char* refusedAnother;  // ConfigureAnother()'s
    unsigned long switchOff;  // the request that switches SwitchOn()'s detector off
    const char* switchOn;     // SwitchOn()'s request, as its lines name it
    // The control line that reads Ask()'s setting back, what it answers
    // once the driver took it, and Ask()'s line without the device before
    // the errno, with # for the timeslot.
    const char* readAsked;
    const char* asked;
    const char* askRefused;
};

const Driver drivers[] = {
    {"/dev/dtmf",
     "tonec",
     "open tonec fail, DTMF proceeding disabled: ",
     [](unsigned ts) { return std::make_unique<Tone>(ts); },
     {"5"},
     "configure DTMF fail: (interface not opened)",
     "configure IVA fail: (interface not opened)",
     Tonec::DisableDetector,
     "DTMF_ENABLE_DETECTOR",
     "generator #",
     "tone 425 0",
     "DTMF_DIAL fail: timeslot=# (interface not opened)"},
    {"/dev/dsp",
     "dsproc",
     "open dsproc fail, VAD proceeding disabled: ",
     [](unsigned ts) { return std::make_unique<Voice>(ts); },
     {"512 1 1", "1 3 5 6"},
     "configure SD fail: (interface not opened)",
     "configure VAD fail: (interface not opened)",
     Dsproc::Disable,
     "DSPROC_ENABLE VAD",
     "configured # 32",
     "10 20 0",
     "configure Delays fail: (interface not opened) timeslot=#"},
};

void PrintTo(const Driver& driver, std::ostream* os) { *os << driver.name; }

struct DriverDeviceTest : ::testing::TestWithParam<Driver> {
    DriverDeviceTest() {
        ::setenv("HALVOXD_BOARD", "sim", 1);
        sim = Board::simulation();
        sim->Reset();
    }
    // The loop runs for ms of the stepped clock.
    void Pass(unsigned ms) { LoopDriver(&clock, 10).Run(ms / 10 + 2); }
    std::string Detect(unsigned ts, const char* detection = nullptr) {
        return sim->Command(std::string(GetParam().path) + " event " + std::to_string(ts) + ' ' +
                            (detection ? detection : GetParam().detections.front()));
    }
    void Hangup() { sim->Model<Board::SimEventDevice>(GetParam().path).Hangup(); }
    unsigned Opens() { return sim->OpenCount(GetParam().path); }
    std::string Enabled(unsigned ts) {
        return sim->Command(std::string(GetParam().path) + " enabled " + std::to_string(ts));
    }

    FakeClock clock{5000};
    Board::Sim* sim = nullptr;
};

// The lines with every request id written as N: ids run on from the cases before.
std::string WithoutIds(std::string text) {
    const std::string id = " id=";
    for (auto at = text.find(id); at != std::string::npos; at = text.find(id, at + 1)) {
        const auto digits = text.find_first_not_of("0123456789", at + id.size());
        text.replace(at + id.size(), digits - at - id.size(), "N");
    }
    return text;
}

std::size_t Count(const std::string& text, const std::string& line) {
    std::size_t n = 0;
    for (auto at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
    return n;
}

// A receiver with its detector on, then a driver fault: with no command but
// what the row gives, a detection a moment later reaches the receiver. The
// error lines, in order ("N" is the driver's name, "F" its open failure), and
// how often the device came back.
TEST_P(DriverDeviceTest, AGivenUpDriverComesBackByItself) {
    const Driver& d = GetParam();
    const std::string path = d.path;
    const std::string readFailed = std::string("fail to read from ") + d.name + ": ";
    const std::string openFailed = std::string(d.openFailure) + "Too many open files\n";
    // A receiver on another timeslot with its detector on, which joins it
    // again while the device cannot open.
    std::unique_ptr<Listener> elsewhere;
    const struct {
        const char* name;
        std::function<void()> fault;
        std::function<void(Listener&)> meanwhile;
        unsigned waitMs;
        std::string errors;
        std::size_t reopened;
    } rows[] = {
        {"a failed read",
         [&] {
             sim->FailRead(path, EIO, true);
             ASSERT_EQ(Detect(21), "ok");  // lost with the read
         },
         [](Listener&) {}, 0, readFailed + "Input/output error\n", 1},
        {"a hang-up", [&] { Hangup(); }, [](Listener&) {}, 0, readFailed + "end of stream\n", 1},
        // Refused without a request, and each second retried without a line:
        // a command refused at once writes its own line, each one that finds
        // its detector on already too, the retries none.
        {"every open fails",
         [&] {
             {
                 TestSupport::StreamCapture done(std::cerr);
                 elsewhere = d.make(23);
                 ASSERT_TRUE(elsewhere->SwitchOn());
             }
             sim->FailOpen(path, EMFILE, false);
             sim->FailRead(path, EIO, true);
             ASSERT_EQ(Detect(21), "ok");
         },
         [&](Listener& on) {
             EXPECT_FALSE(on.SwitchOn());
             EXPECT_FALSE(elsewhere->SwitchOn());
             EXPECT_FALSE(d.make(22)->SwitchOn());
             Pass(3000);
             EXPECT_EQ(Opens(), 0u);
             sim->ClearFaults();
         },
         1000,
         readFailed + "Input/output error\n" + openFailed + d.switchOn +
             " fail: timeslot=21 (interface not opened) errno=\"Too many open files\"\n" +
             d.switchOn +
             " fail: timeslot=23 (interface not opened) errno=\"Too many open files\"\n" +
             d.switchOn +
             " fail: timeslot=22 id=N (interface not opened) errno=\"Too many open files\"\n",
         1},
        // The second time within a second of its reopening, it waits a second.
        {"a hang-up at once after the reopening",
         [&] {
             Hangup();
             Pass(0);
             Hangup();
         },
         [&](Listener&) {
             Pass(0);
             EXPECT_EQ(Opens(), 0u);
         },
         1000, readFailed + "end of stream\n" + readFailed + "end of stream\n", 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto on = d.make(21);
        ASSERT_TRUE(on->SwitchOn());
        Pass(1000);  // apart from the reopening of the row before
        TestSupport::StreamCapture errors(std::cerr), trace(std::clog);
        row.fault();
        Pass(0);
        row.meanwhile(*on);
        Pass(row.waitMs);
        EXPECT_EQ(Opens(), 1u);
        EXPECT_EQ(Detect(21), "ok");
        Pass(0);
        EXPECT_EQ(on->heard, 1);
        EXPECT_EQ(WithoutIds(errors.str()), row.errors);
        EXPECT_EQ(Count(trace.str(), std::string("open ") + d.name + " again: done\n"),
                  row.reopened);
        if (elsewhere) elsewhere->Clean(), elsewhere.reset();
    }
}

// A controller repeating configures of two kinds that the missing device
// refuses gets each refused, and the log the open's failure and each kind's
// refusal once a second: one kind's line leaves the other's due.
TEST_P(DriverDeviceTest, RefusedConfiguresWriteTheirLineOnceASecond) {
    const Driver& d = GetParam();
    clock.advanceMs(3600 * 1000);  // past the lines of the cases before
    sim->FailOpen(d.path, EMFILE, false);
    Hangup();  // the cases before left it open
    Pass(0);
    auto on = d.make(21);
    TestSupport::StreamCapture errors(std::cerr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(on->Configure());
        EXPECT_FALSE(on->ConfigureAnother());
    }
    Pass(1000);
    EXPECT_FALSE(on->Configure());
    EXPECT_FALSE(on->ConfigureAnother());
    const std::string unopened = " timeslot=21 errno=\"Too many open files\"\n";
    const std::string once = std::string(d.openFailure) + "Too many open files\n" + d.refused +
                             unopened + d.refusedAnother + unopened;
    EXPECT_EQ(errors.str(), once + once);
}

// What a configure call's answer promises, for each kind, the same whether
// the open driver refuses it or the device cannot be opened. Where a refusal
// is answered with an error, nothing of it reaches the board later, which
// keeps what it last took; where the call is answered with success, the
// latest ask reaches the board. Each row asks for value 1 (unless first is 0),
// then 2, which the open driver refuses, then, the driver gone, 3. The other
// half of the leg then configures 50 and goes: what is sent back is what the
// record holds of the first half, the driver's last answer success.
TEST_P(DriverDeviceTest, AConfigureAnswersWhatTheBoardWillHold) {
    const Driver& d = GetParam();
    auto tonec = [this] { return &sim->Model<Board::SimTonec>("/dev/dtmf"); };
    auto dsp = [this](unsigned ts, int kind) {
        return sim->Command("/dev/dsp configured " + std::to_string(ts) + ' ' +
                            std::to_string(kind));
    };
    Tone tone(40);
    Voice voice(40);
    std::unique_ptr<Tone> otherTone;
    std::unique_ptr<Voice> otherVoice;
    auto half = [&](bool other) -> std::pair<Tone&, Voice&> {
        if (other) return {*otherTone, *otherVoice};
        return {tone, voice};
    };
    const struct {
        const char* name;
        const char* path;
        unsigned long request;  // the configure request the open driver refuses
        std::function<bool(bool other, unsigned value)> ask;
        std::function<std::string()> held;
        unsigned first;
        bool answeredSuccess;
        std::string holds;
    } rows[] = {
        {"DTMF", "/dev/dtmf", Tonec::ConfigureDetector,
         [&](bool other, unsigned v) { return half(other).first.configureDTMF(Dtmf(v)); },
         [&] { return std::to_string(tonec()->State(40).dtmfConfig.twist); }, 1, false, "1"},
        {"IVA", "/dev/dtmf", Tonec::IvaConfigure,
         [&](bool other, unsigned v) { return half(other).first.configureIVA(Iva(-int(v))); },
         [&] { return std::to_string(tonec()->State(40).ivaConfig.det_lvl_dB); }, 1, false, "-1"},
        {"VAD", "/dev/dsp", Dsproc::Configure,
         [&](bool other, unsigned v) { return half(other).second.configureVAD(Vad(int(v) * 100)); },
         [&] { return dsp(40, Dsproc::KindVAD); }, 1, false, "100 200 30"},
        {"SD", "/dev/dsp", Dsproc::Configure,
         [&](bool other, unsigned) { return half(other).second.configureSD(); },
         [&] { return dsp(40, Dsproc::KindSD); }, 0, false, "none"},
        {"delays", "/dev/dsp", Dsproc::Configure,
         [&](bool other, unsigned v) {
             half(other).second.configureDelays(v * 10, 0, 0);
             return true;
         },
         [&] { return dsp(40, Dsproc::KindDelays); }, 1, true, "30 0 0"},
    };
    for (const auto& row : rows) {
        if (std::string(row.path) != d.path) continue;
        SCOPED_TRACE(row.name);
        Pass(1000);  // apart from the reopening of the row before
        if (row.first) {
            ASSERT_TRUE(row.ask(false, row.first));
        }
        sim->FailRequest(d.path, row.request, EIO, true);
        EXPECT_EQ(row.ask(false, 2), row.answeredSuccess);
        sim->FailOpen(d.path, EMFILE, false);
        Hangup();
        Pass(0);
        EXPECT_EQ(row.ask(false, 3), row.answeredSuccess);
        sim->ClearFaults();
        Pass(2000);
        EXPECT_EQ(row.held(), row.holds);
        // A configuration nobody holds has no undo: one that reached no
        // board has nothing to send back.
        if (!row.first) continue;
        otherTone = std::make_unique<Tone>(40);
        otherVoice = std::make_unique<Voice>(40);
        ASSERT_TRUE(row.ask(true, 50));
        EXPECT_NE(row.held(), row.holds);
        otherTone->Clean(), otherVoice->Clean();
        otherTone.reset(), otherVoice.reset();
        EXPECT_EQ(row.held(), row.holds);
    }
    tone.Clean();
    voice.Clean();
}

// The halves of a leg go while their driver cannot be opened, leaving what
// they asked for in the driver with nobody listening: the device still
// comes back by itself for their clean-up, which switches off whatever
// either had on. Rows: what each half asks for before the driver is lost,
// whether the clean-up owes the driver anything, for which it opens, and
// whether a request elsewhere opens it first, whose open pays it at once.
TEST_P(DriverDeviceTest, ReceiversGoneWhileClosedAreCleanedUpOnceItIsBack) {
    const Driver& d = GetParam();
    const struct {
        const char* name;
        std::function<bool(Listener&)> first, second;
        unsigned opens;
        bool byRequest;
    } rows[] = {
        {"a detector each", [](Listener& l) { return l.SwitchOn(); },
         [](Listener& l) { return l.SwitchOnAnother(); }, 1, false},
        {"a detector each, back at a request", [](Listener& l) { return l.SwitchOn(); },
         [](Listener& l) { return l.SwitchOnAnother(); }, 1, true},
        // Configurations have no undo: with nothing owed, the device given up
        // while no detector is on waits for the next request.
        {"configurations only", [](Listener& l) { return l.Configure(); },
         [](Listener& l) { return l.Configure(); }, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string off = Enabled(23);
        auto first = d.make(23), second = d.make(23);
        ASSERT_TRUE(row.first(*first));
        ASSERT_TRUE(row.second(*second));
        Pass(1000);  // apart from the reopening of the row before
        sim->FailOpen(d.path, EMFILE, false);
        Hangup();
        Pass(0);
        for (auto* half : {&first, &second}) {
            (*half)->Clean();
            half->reset();
        }
        Pass(2000);
        EXPECT_EQ(Opens(), 0u);
        sim->ClearFaults();
        if (row.byRequest) {
            auto elsewhere = d.make(24);
            ASSERT_TRUE(elsewhere->SwitchOn());
            EXPECT_EQ(Enabled(23), off);
            elsewhere->Clean();
        }
        Pass(1000);
        EXPECT_EQ(Opens(), row.opens);
        EXPECT_EQ(Enabled(23), off);
    }
}

// However many switch-offs the driver refuses, the retries of a second send
// at most the share every device has, the longest owed first, so that each
// comes round in turn and all reach the board once the driver takes them.
TEST_P(DriverDeviceTest, TheRetriesOfASecondSendAtMostTheirShare) {
    const Driver& d = GetParam();
    const unsigned share = 128, many = 2 * share + 10, first = 100;
    const std::string off = Enabled(first);
    std::vector<std::unique_ptr<Listener>> gone;
    for (unsigned ts = first; ts < first + many; ++ts) {
        gone.push_back(d.make(ts));
        ASSERT_TRUE(gone.back()->SwitchOn());
    }
    Pass(1000);  // past what follows the device's open
    sim->FailRequest(d.path, d.switchOff, EIO, false);
    for (auto& receiver : gone) receiver->Clean();
    gone.clear();
    // While their switch-offs are owed, the gone receivers' detectors are on
    // for nobody: a later receiver on one of their timeslots, with another
    // detector on, hears none of their detections.
    auto later = d.make(first);
    ASSERT_TRUE(later->SwitchOnAnother());
    for (const char* detection : d.detections) ASSERT_EQ(Detect(first, detection), "ok");
    LoopDriver().Run(2);
    EXPECT_EQ(later->heard, 0);
    std::ostringstream request;
    request << "board-sim: ioctl " << d.path << " 0x" << std::hex << d.switchOff << " -> ";
    std::vector<std::size_t> sent;
    sim->SetLogging(true);
    for (int second = 0; second < 5; ++second) {
        if (second == 2) sim->ClearFaults();
        TestSupport::StreamCapture log(std::clog), errors(std::cerr);
        clock.advanceMs(1000);
        LoopDriver().Run(1);
        sent.push_back(Count(log.str(), request.str()));
    }
    sim->SetLogging(false);
    later->Clean();
    EXPECT_EQ(sent, (std::vector<std::size_t>{share, share, share, share, many - 2 * share}));
    for (unsigned ts = first; ts < first + many; ts += 37) EXPECT_EQ(Enabled(ts), off) << ts;
    EXPECT_EQ(Enabled(first + many - 1), off);
}

// A device short of descriptors when it is opened, whose service owes the
// driver asks answered with success meanwhile: it is opened again each
// second, once, since a pay stops at the first request whose device does
// not open, and the asks reach the driver once it is open, with no further
// command. Each ask writes its own line; the retries write none.
TEST_P(DriverDeviceTest, AnOpenOwedBeforeTheFirstIsTriedEachSecond) {
    const Driver& d = GetParam();
    Hangup();
    LoopDriver().Run(2);  // the service gives its device up
    sim->FailOpen(d.path, EMFILE, false);
    std::vector<std::unique_ptr<Listener>> receivers;
    TestSupport::StreamCapture errors(std::cerr);
    for (unsigned ts : {21, 22, 23}) {
        receivers.push_back(d.make(ts));
        receivers.back()->Ask();
    }
    sim->SetLogging(true);
    TestSupport::StreamCapture log(std::clog);
    Pass(2500);
    sim->SetLogging(false);
    EXPECT_EQ(Count(log.str(), std::string("board-sim: open ") + d.path + " -> -1"), 2u);
    sim->ClearFaults();
    Pass(1000);
    auto at = [](std::string text, unsigned ts) {
        return text.replace(text.find('#'), 1, std::to_string(ts));
    };
    std::string lines = std::string(d.openFailure) + "Too many open files\n";
    for (unsigned ts : {21, 22, 23}) {
        EXPECT_EQ(sim->Command(std::string(d.path) + ' ' + at(d.readAsked, ts)), d.asked) << ts;
        lines += at(d.askRefused, ts) + " errno=\"Too many open files\"\n";
    }
    EXPECT_EQ(errors.str(), lines);
    for (auto& receiver : receivers) receiver->Clean();
}

INSTANTIATE_TEST_SUITE_P(BothDrivers, DriverDeviceTest, ::testing::ValuesIn(drivers),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
