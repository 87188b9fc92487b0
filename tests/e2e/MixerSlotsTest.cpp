// Mixer slots against the daemon on the simulated board: unit discovery and
// the resource report, summator programming, a conference leg as an input
// and an output on one channel, a trunk
// switched onto an input, detections relayed as the input's signals,
// receiver configuration and what a destroy leaves running, a tone driver
// that fails and comes back, and a unit that vanishes from the board and
// comes back.
#include "tests/e2e/BoardControl.h"
#include "tests/e2e/DaemonTest.h"

#include <cerrno>
#include <chrono>
#include <unistd.h>

namespace {

// Root alternatives of IoctlParams.
constexpr unsigned translateDtmf = 9;
constexpr unsigned vadEnable = 18;
constexpr unsigned sdEnable = 24;
constexpr unsigned ivaEnable = 28;
constexpr unsigned delays = 33;
constexpr unsigned toneFilter = 34;
constexpr unsigned toneGenEnable = 35;

// MixerChannel ::= CHOICE { tdm INTEGER, rtp INTEGER }: always tdm here.
// A mixer output on the unit's channel, its summator fed by channels with their gains.
std::string MixerOut(int unit, int channel, const std::vector<std::pair<int, int>>& inputs, int seq,
                     unsigned slot) {
    Lgcp::Writer w(seq, slot);
    w.Create(Lgcp::mixerOut).Integer(unit).Bits(0, 1).Integer(channel);
    w.Octet(unsigned(inputs.size()));
    for (const auto& input : inputs) w.Bits(0, 1).Integer(input.first).Integer(input.second);
    return w;
}
// A mixer input (no ecm, no rtp), feeding the summator on another channel when one is given.
std::string MixerIn(int unit, int channel, std::optional<int> summator, int seq, unsigned slot) {
    Lgcp::Writer w(seq, slot);
    w.Create(Lgcp::mixerIn).Bits(summator.has_value(), 1).Bits(0, 2).Integer(unit);
    w.Bits(0, 1).Integer(channel);
    if (summator) w.Bits(0, 1).Integer(*summator);
    return w;
}

// ToneFilter ::= SEQUENCE { freq, enable BOOLEAN, duration-th-msec, det-level-dB, ... }
std::string ToneFilter(int seq, unsigned slot, int freq, bool enable, int ms, int dB) {
    Lgcp::Writer w(seq, slot);
    w.Ioctl(toneFilter).Bits(0, 1).Integer(freq).Bits(enable, 1).Integer(ms).Integer(dB);
    return w;
}
// Delays ::= SEQUENCE { rx OPTIONAL, tx OPTIONAL, selcal OPTIONAL, ... }: rx and tx.
std::string Delays(int seq, unsigned slot, int rx, int tx) {
    return Lgcp::Writer(seq, slot).Ioctl(delays).Bits(0, 1).Bits(6, 3).Integer(rx).Integer(tx);
}
// TranslateDtmfParams with the digits (697 + 1209 Hz unless given), each
// for toneMs then pauseMs: its durations only.
using Digits = std::vector<std::pair<int, int>>;
std::string Dial(int seq, unsigned slot, int toneMs, const Digits& digits = {{697, 1209}},
                 int pauseMs = 10) {
    Lgcp::Writer w(seq, slot);
    w.Ioctl(translateDtmf).Bits(3, 4).Octet(unsigned(digits.size()));
    for (const auto& digit : digits) w.Integer(digit.first).Integer(digit.second);
    return w.Integer(toneMs).Integer(pauseMs);
}

class MixerSlots : public DaemonTest {
protected:
    // The query's mixer entries.
    std::string Query(int seq) {
        EXPECT_EQ("success seq=" + std::to_string(seq),
                  Answer(Lgcp::Writer(seq).Command(Lgcp::query)));
        return Next().mixers;
    }
    Lgcp::Message Next() {
        std::string body;
        Lgcp::Message m;
        if (!controller.ReadFrame(body) || !Lgcp::Decode(body, m)) m.mixers = "no report";
        last = Lgcp::Hex(body);
        return m;
    }
    std::string Destroy(int seq, unsigned slot) {
        return Answer(Lgcp::Writer(seq, slot).Command(Lgcp::destroy));
    }
    static std::string Ask(const std::string& line) { return BoardControl::Ask(line); }

    std::string last;
};

// Unit 3's channel c is on switch timeslot 17152 + c.
TEST_F(MixerSlots, SummatorsTheSwitchAndTheReceivers) {
    // mixerIn {unit 3, tdm 5, summator tdm 2} at slot 11, seq 1, worked out by hand.
    ASSERT_EQ("C0 01 01 00 0B 08 0C 01 03 00 01 05 00 01 02", Lgcp::Hex(MixerIn(3, 5, 2, 1, 11)));

    StartOnBoard();
    EXPECT_EQ("error 1 seq=1 slot=10", Answer(MixerOut(3, 2, {}, 1, 10)));
    // The smallest unit's counts are every unit's.
    EXPECT_EQ("1:16:16:16:770:17:24 3:16:16:16:770:17:24", Query(2));
    EXPECT_EQ("success seq=3 slot=10", Answer(MixerOut(3, 2, {}, 3, 10)));
    EXPECT_EQ("17154:32767", Ask("/dev/mixer summator 3 2"));
    EXPECT_EQ("success seq=4 slot=11", Answer(MixerIn(3, 5, 2, 4, 11)));
    EXPECT_EQ("17154:32767 17157:32767", Ask("/dev/mixer summator 3 2"));
    EXPECT_EQ("error 1 seq=5 slot=12", Answer(MixerIn(1, 20, std::nullopt, 5, 12)));
    // A held channel takes no second slot of its kind.
    EXPECT_EQ("error 1 seq=5 slot=12", Answer(MixerIn(3, 5, std::nullopt, 5, 12)));
    EXPECT_EQ("error 1 seq=5 slot=12", Answer(MixerOut(3, 2, {}, 5, 12)));

    Answers(Lgcp::Writer(6, 1).Create(Lgcp::trunk).Octet(0).Bits(7, 5), 3);
    EXPECT_EQ((std::vector<std::string>{"signal 9 active 17157 slot=11", "success seq=7 slot=1"}),
              Answers(Lgcp::Writer(7, 1).Command(Lgcp::connect).Slot(11), 2));
    EXPECT_EQ("17157 from 7", Ask("/dev/hal route 17157"));

    EXPECT_EQ("success seq=8 slot=11",
              Answer(Lgcp::Writer(8, 11).Ioctl(Lgcp::dtmfEnable).Bits(1, 1)));
    EXPECT_EQ("ok", Ask("/dev/dtmf event 17157 5"));
    EXPECT_EQ("signal 1 slot=11", controller.ReadAnswer());
    EXPECT_EQ("success seq=9 slot=11",
              Answer(Lgcp::Writer(9, 11).Ioctl(Lgcp::rxGain).Bits(0, 1).Integer(-6)));
    EXPECT_EQ("0xFA", Ask("/dev/dsp gain 17157"));
    EXPECT_EQ("ok", Ask("/dev/dsp event 17157 0x200 0x20000000 0x60000000"));
    Next();
    // vad {vad-rx TRUE, vad-tx FALSE} for slot 11, worked out by hand.
    EXPECT_EQ("40 00 0B 90 E0", last);
    EXPECT_EQ("error 6 seq=10 slot=10",
              Answer(Lgcp::Writer(10, 10).Ioctl(Lgcp::ivaParams).Integer(-30)));

    EXPECT_EQ("success seq=11 slot=11", Destroy(11, 11));
    EXPECT_EQ("17154:32767", Ask("/dev/mixer summator 3 2"));
    EXPECT_EQ("success seq=12 slot=12", Answer(MixerOut(3, 5, {}, 12, 12)));
    for (unsigned slot : {10, 12, 1})
        EXPECT_EQ("success seq=13 slot=" + std::to_string(slot), Destroy(13, slot));
    EXPECT_EQ("17157 off", Ask("/dev/hal route 17157"));
    // The receivers switched off what they had turned on.
    EXPECT_EQ("none 0x00", Ask("/dev/dtmf enabled 17157") + " " + Ask("/dev/dsp gain 17157"));
    EXPECT_EQ("clear", Ask("/dev/mixer summator 3 2"));
    ExpectCleanStop();
}

TEST_F(MixerSlots, AVanishedUnitAbortsItsSlots) {
    StartOnBoard();
    Query(1);
    EXPECT_EQ("success seq=2 slot=10", Answer(MixerOut(3, 0, {{1, -200}}, 2, 10)));
    EXPECT_EQ("17153:-200", Ask("/dev/mixer summator 3 0"));
    EXPECT_EQ("success seq=3 slot=11", Answer(MixerIn(3, 1, std::nullopt, 3, 11)));
    EXPECT_EQ("success seq=3 slot=12", Answer(MixerIn(3, 2, 0, 3, 12)));

    EXPECT_EQ("ok", Ask("/dev/mixer remove 3"));
    EXPECT_EQ("success seq=4", Answer(Lgcp::Writer(4).Command(Lgcp::query)));
    // abort 0 for slots 10, 11 and 12, worked out by hand, before the report.
    for (const char* abort : {"40 00 0A 87 01 00", "40 00 0B 87 01 00", "40 00 0C 87 01 00"}) {
        Next();
        EXPECT_EQ(abort, last);
    }
    EXPECT_EQ("1:32:32:32:770:17:24", Next().mixers);

    // Back, and reset: the aborted slots still hold their channels until
    // destroyed, and their destroy leaves the new unit's sums alone.
    EXPECT_EQ("ok", Ask("/dev/mixer add 3 16 16"));
    EXPECT_EQ("1:16:16:16:770:17:24 3:16:16:16:770:17:24", Query(5));
    EXPECT_EQ("error 1 seq=6 slot=13", Answer(MixerOut(3, 0, {{2, -100}}, 6, 13)));
    EXPECT_EQ("success seq=6 slot=10", Destroy(6, 10));
    EXPECT_EQ("success seq=7 slot=13", Answer(MixerOut(3, 0, {{2, -100}}, 7, 13)));
    for (unsigned slot : {11, 12})
        EXPECT_EQ("success seq=8 slot=" + std::to_string(slot), Destroy(8, slot));
    EXPECT_EQ("17154:-100", Ask("/dev/mixer summator 3 0"));
    EXPECT_EQ("success seq=9 slot=13", Destroy(9, 13));
    ExpectCleanStop();
}

// Unit 1's channel c is on switch timeslot 16640 + c. Each half of a leg
// keeps what it switched on when the other goes, and detections on the
// shared timeslot reach the half that asked for them.
TEST_F(MixerSlots, ALegIsAnInputAndAnOutputOnOneChannel) {
    StartOnBoard();
    Query(1);
    EXPECT_EQ("success seq=2 slot=20", Answer(MixerIn(1, 9, std::nullopt, 2, 20)));
    EXPECT_EQ("success seq=3 slot=21", Answer(MixerOut(1, 9, {}, 3, 21)));
    EXPECT_EQ("success seq=4 slot=30", Answer(MixerOut(3, 10, {}, 4, 30)));
    EXPECT_EQ("success seq=5 slot=31", Answer(MixerIn(3, 10, std::nullopt, 5, 31)));
    EXPECT_EQ("error 1 seq=6 slot=22", Answer(MixerIn(1, 9, std::nullopt, 6, 22)));
    EXPECT_EQ("error 1 seq=6 slot=22", Answer(MixerOut(3, 10, {}, 6, 22)));
    EXPECT_EQ("success seq=7 slot=40", Answer(MixerIn(1, 6, std::nullopt, 7, 40)));
    EXPECT_EQ("success seq=7 slot=41", Answer(MixerIn(3, 6, std::nullopt, 7, 41)));

    // The output came first, the input asked for DTMF.
    EXPECT_EQ("success seq=8 slot=31",
              Answer(Lgcp::Writer(8, 31).Ioctl(Lgcp::dtmfEnable).Bits(1, 1)));
    EXPECT_EQ("ok", Ask("/dev/dtmf event 17162 5"));
    EXPECT_EQ("signal 1 slot=31", controller.ReadAnswer());

    Answers(Lgcp::Writer(9, 1).Create(Lgcp::trunk).Octet(0).Bits(7, 5), 3);
    EXPECT_EQ((std::vector<std::string>{"signal 9 active 16649 slot=20", "success seq=10 slot=1"}),
              Answers(Lgcp::Writer(10, 1).Command(Lgcp::connect).Slot(20), 2));
    EXPECT_EQ("success seq=11 slot=21", Destroy(11, 21));
    EXPECT_EQ("16649 from 7", Ask("/dev/hal route 16649"));

    EXPECT_EQ("success seq=12 slot=31", Destroy(12, 31));
    EXPECT_EQ(
        "success seq=13 slot=30",
        Answer(Lgcp::Writer(13, 30).Ioctl(toneGenEnable).Bits(0, 1).Integer(425).Integer(1000)));
    EXPECT_EQ("success seq=14 slot=30", Answer(Lgcp::Writer(14, 30).Ioctl(sdEnable).Bits(1, 1)));
    EXPECT_EQ("success seq=15 slot=31", Answer(MixerIn(3, 10, std::nullopt, 15, 31)));
    EXPECT_EQ("success seq=16 slot=31", Destroy(16, 31));
    EXPECT_EQ("tone 425 0 2",
              Ask("/dev/dtmf generator 17162") + ' ' + Ask("/dev/dsp enabled 17162"));
    EXPECT_EQ("success seq=17 slot=30", Destroy(17, 30));
    EXPECT_EQ("off 0", Ask("/dev/dtmf generator 17162") + ' ' + Ask("/dev/dsp enabled 17162"));
    ExpectCleanStop();
}

// Each half of a leg, whichever was made or switched on first, hears what it
// asked for; the generator plays a half's dial over the other's tone, and
// gives it back; the driver keeps the parameters of the half that is left.
// Unit 3's channel 10 is on timeslot 17162, unit 1's channel 9 on 16649.
TEST_F(MixerSlots, EachHalfOfALegGetsWhatItAskedFor) {
    StartOnBoard();
    Query(1);
    EXPECT_EQ("success seq=2 slot=30", Answer(MixerOut(3, 10, {}, 2, 30)));
    EXPECT_EQ("success seq=2 slot=31", Answer(MixerIn(3, 10, std::nullopt, 2, 31)));
    EXPECT_EQ("success seq=2 slot=21", Answer(MixerIn(1, 9, std::nullopt, 2, 21)));
    EXPECT_EQ("success seq=2 slot=20", Answer(MixerOut(1, 9, {}, 2, 20)));
    // Per leg, the half made first switches on first: output 30, input 21.
    for (unsigned alternative : {sdEnable, vadEnable, ivaEnable})
        for (unsigned slot : {30, 31, 21, 20})
            EXPECT_EQ("success seq=3 slot=" + std::to_string(slot),
                      Answer(Lgcp::Writer(3, slot).Ioctl(alternative).Bits(1, 1)));
    for (unsigned slot : {30, 31, 21, 20})
        EXPECT_EQ("success seq=4 slot=" + std::to_string(slot),
                  Answer(ToneFilter(4, slot, 1000, true, 50, -20)));
    const struct {
        const char* event;
        std::vector<std::string> heard;
    } events[] = {
        {"/dev/dsp event 17162 2 1", {"signal 19 slot=31"}},
        {"/dev/dsp event 17162 1 1 1 0", {"signal 16 slot=31"}},
        {"/dev/dtmf event 17162 256", {"signal 1 slot=31"}},
        {"/dev/dsp event 17162 256 1000 1", {"signal 1 slot=30", "signal 1 slot=31"}},
        {"/dev/dsp event 16649 2 1", {"signal 19 slot=21"}},
        {"/dev/dsp event 16649 256 1000 0", {"signal 1 slot=21", "signal 1 slot=20"}},
    };
    for (const auto& row : events) {
        ASSERT_EQ("ok", Ask(row.event));
        std::vector<std::string> heard;
        for (std::size_t i = 0; i < row.heard.size(); ++i) heard.push_back(controller.ReadAnswer());
        EXPECT_EQ(row.heard, heard) << row.event;
        EXPECT_TRUE(controller.Silent(100)) << row.event;
    }

    // The input's filter and delays are the later; when it gives them up,
    // the output's come back.
    EXPECT_EQ("success seq=5 slot=31", Answer(ToneFilter(5, 31, 1000, true, 200, -40)));
    EXPECT_EQ("1000 1 200 216", Ask("/dev/dsp configured 17162 256 1000"));
    EXPECT_EQ("success seq=6 slot=31", Answer(ToneFilter(6, 31, 1000, false, 0, 0)));
    EXPECT_EQ("1000 1 50 236", Ask("/dev/dsp configured 17162 256 1000"));
    EXPECT_EQ("success seq=7 slot=30", Answer(Delays(7, 30, 10, 20)));
    EXPECT_EQ("success seq=7 slot=31", Answer(Delays(7, 31, 80, 90)));
    EXPECT_EQ("80 90 0", Ask("/dev/dsp configured 17162 32"));

    // The input dials over the output's tone and goes mid-digit.
    EXPECT_EQ(
        "success seq=8 slot=30",
        Answer(Lgcp::Writer(8, 30).Ioctl(toneGenEnable).Bits(0, 1).Integer(425).Integer(1000)));
    EXPECT_EQ("success seq=9 slot=31", Answer(Dial(9, 31, 5000)));
    EXPECT_EQ("tone 697 1209", Ask("/dev/dtmf generator 17162"));
    EXPECT_EQ("success seq=10 slot=31", Destroy(10, 31));
    EXPECT_EQ("tone 425 0 | 10 20 0 | 3", Ask("/dev/dtmf generator 17162") + " | " +
                                              Ask("/dev/dsp configured 17162 32") + " | " +
                                              Ask("/dev/dsp enabled 17162"));
    EXPECT_EQ("iva", Ask("/dev/dtmf enabled 17162"));

    // A dial that runs to its end gives the generator back too.
    EXPECT_EQ("success seq=11 slot=31", Answer(MixerIn(3, 10, std::nullopt, 11, 31)));
    EXPECT_EQ("success seq=12 slot=31", Answer(Dial(12, 31, 10)));
    EXPECT_EQ("tone 425 0", BoardControl::AskUntil("/dev/dtmf generator 17162", "tone 425 0"));

    for (unsigned slot : {31, 30, 21, 20})
        EXPECT_EQ("success seq=13 slot=" + std::to_string(slot), Destroy(13, slot));
    for (std::string ts : {"17162", "16649"})
        EXPECT_EQ("off none 0 1000 0 50 236", Ask("/dev/dtmf generator " + ts) + ' ' +
                                                  Ask("/dev/dtmf enabled " + ts) + ' ' +
                                                  Ask("/dev/dsp enabled " + ts) + ' ' +
                                                  Ask("/dev/dsp configured " + ts + " 256 1000"))
            << ts;
    EXPECT_EQ("0 0 0", Ask("/dev/dsp configured 17162 32"));
    ExpectCleanStop();
}

// Both halves of a leg dial at once: the output's dial plays whole, then
// the input's, never one inside the other, and the output is told when its
// own dial has played its last pause. Unit 3's channel 10 is on 17162.
TEST_F(MixerSlots, TwoDialsOnALegPlayOneAfterTheOther) {
    StartOnBoard();
    Query(1);
    EXPECT_EQ("success seq=2 slot=30", Answer(MixerOut(3, 10, {}, 2, 30)));
    EXPECT_EQ("success seq=2 slot=31", Answer(MixerIn(3, 10, std::nullopt, 2, 31)));
    const auto start = std::chrono::steady_clock::now();
    // Each state lasts 200 ms at least, so that a loaded machine's polls see it.
    ASSERT_TRUE(controller.Send(Dial(3, 30, 300, {{697, 1209}, {770, 1336}}, 200)));
    ASSERT_TRUE(controller.Send(Dial(3, 31, 1000, {{941, 1633}}, 200)));
    EXPECT_EQ("success seq=3 slot=30", controller.ReadAnswer());
    EXPECT_EQ("success seq=3 slot=31", controller.ReadAnswer());
    // What the line carries, each change with the ms it was first seen at.
    std::vector<std::string> played;
    std::vector<long> seen;
    for (std::string now; played.empty() || played.back() != "off"; ::usleep(5000)) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        ASSERT_LT(ms, 4000) << "the generator never went off";
        if ((now = Ask("/dev/dtmf generator 17162")) != (played.empty() ? "" : played.back()))
            played.push_back(now), seen.push_back(ms);
    }
    EXPECT_EQ((std::vector<std::string>{"tone 697 1209", "silence", "tone 770 1336", "silence",
                                        "tone 941 1633", "silence", "off"}),
              played);
    // The input's digit starts once the output's last pause is over.
    ASSERT_EQ(7u, seen.size());
    EXPECT_GE(seen[4], 990);
    EXPECT_GE(seen[6], 2190);
    // tonec {timestamp 0, event dtmfDone} for slot 30, worked out by hand;
    // an input reports no finished dial.
    Next();
    EXPECT_EQ("40 00 1E 81 01 00 80 01 00", last);
    EXPECT_TRUE(controller.Silent(100));
    ExpectCleanStop();
}

// Unit 3's channel 5 is on timeslot 17157. The tone driver, first needed by
// a DTMF enable while no descriptor is left, refuses it with one line naming
// the error and no request sent; given up later after a failed read, it
// comes back by itself, and the next detection reaches the controller with
// no command in between.
TEST_F(MixerSlots, TheToneDriverComesBackAfterAFailure) {
    StartOnBoard();
    Query(1);
    EXPECT_EQ("success seq=2 slot=11", Answer(MixerIn(3, 5, std::nullopt, 2, 11)));
    auto dtmfOn = [](int seq) { return Lgcp::Writer(seq, 11).Ioctl(Lgcp::dtmfEnable).Bits(1, 1); };
    EXPECT_EQ("ok", Ask("fail open /dev/dtmf " + std::to_string(EMFILE)));
    EXPECT_EQ("error 6 seq=3 slot=11", Answer(dtmfOn(3)));
    EXPECT_EQ("ok", Ask("fail clear"));
    const std::string errors = daemon.Err();
    const auto line =
        errors.find("open tonec fail, DTMF proceeding disabled: Too many open files\n");
    EXPECT_NE(std::string::npos, line) << errors;
    EXPECT_EQ(std::string::npos, errors.find("open tonec fail", line + 1)) << errors;
    EXPECT_EQ(std::string::npos, errors.find("Bad file descriptor")) << errors;

    EXPECT_EQ("success seq=4 slot=11", Answer(dtmfOn(4)));
    EXPECT_EQ("ok", Ask("fail read /dev/dtmf EIO once"));
    EXPECT_EQ("ok", Ask("/dev/dtmf event 17157 5"));
    ASSERT_TRUE(daemon.WaitFor("open tonec again: done")) << daemon.Output();
    EXPECT_EQ("ok", Ask("/dev/dtmf event 17157 6"));
    EXPECT_EQ("signal 1 slot=11", controller.ReadAnswer());
    EXPECT_TRUE(controller.Silent(100));
    ExpectCleanStop();
}

// Unit 3's channel 5 is on timeslot 17157, channel 11 on 17163.
TEST_F(MixerSlots, LateOutputsHugeUnitsAndWhatADestroyLeavesRunning) {
    StartOnBoard();
    // Reported first, a unit this large would hold the loop for hours.
    EXPECT_EQ("ok", Ask("/dev/mixer add 0 2147483647 2147483647"));
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(controller.Send(Lgcp::Writer(1).Command(Lgcp::query)));
    EXPECT_EQ("success seq=1", controller.ReadAnswer(1000));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(1));
    EXPECT_EQ("1:16:16:16:770:17:24 3:16:16:16:770:17:24", Next().mixers);

    EXPECT_EQ("success seq=2 slot=20", Answer(MixerIn(3, 5, 11, 2, 20)));
    EXPECT_EQ("success seq=3 slot=21", Answer(MixerOut(3, 11, {}, 3, 21)));
    EXPECT_EQ("17163:32767 17157:32767", Ask("/dev/mixer summator 3 11"));

    // tone-gen-enable {freq 425, amp 1000}
    EXPECT_EQ(
        "success seq=4 slot=21",
        Answer(Lgcp::Writer(4, 21).Ioctl(toneGenEnable).Bits(0, 1).Integer(425).Integer(1000)));
    EXPECT_EQ("tone 425 0", Ask("/dev/dtmf generator 17163"));
    EXPECT_EQ("success seq=5 slot=21", Destroy(5, 21));
    EXPECT_EQ("off", Ask("/dev/dtmf generator 17163"));

    EXPECT_EQ("success seq=6 slot=20", Answer(Lgcp::Writer(6, 20).Ioctl(sdEnable).Bits(1, 1)));
    EXPECT_EQ("2", Ask("/dev/dsp enabled 17157"));
    // A create under a slot's number destroys that slot first.
    EXPECT_EQ("success seq=7 slot=20", Answer(MixerIn(3, 6, std::nullopt, 7, 20)));
    EXPECT_EQ("0", Ask("/dev/dsp enabled 17157"));
    EXPECT_EQ("success seq=8 slot=20", Destroy(8, 20));
    ExpectCleanStop();
}

}  // namespace
