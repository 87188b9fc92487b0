// Every short history on one key of each owner of owed requests ends on the
// board that a small model of the README's rules says, whatever each step's
// requests met. A history is up to three steps: a half asks for one of its
// two values, undoes or goes, or a new half comes in a gone one's place; on
// the tone generator a half also dials, and time passes until its dial
// ends; the sum entry's output goes, or its unit is lost; the TCLK mask's
// halves are two trunks, slave their ask and master their undo, and a
// controller's connect clears it; the bus clock's values are its selects.
// The step's own request is taken, refused with EIO, refused as invalid,
// refused with EIO and then as invalid from its retry on, or meets its
// device gone for a second. A driver's refusal as invalid is a property of
// the value: from its step to the history's end the driver refuses every
// request that carries the value (the ask, its retries, the tone given back,
// the settings sent back, what a dropped retry brings back, a dial's digit),
// while an undo, which carries no value of its own, is refused for its step
// alone and then taken (and so are the DTMF detector's switches). The board
// is read back once the driver has taken for two seconds (three where a dial
// plays) everything it does not refuse for good.
//
// The model leaves out every ask of a value refused for good and applies the
// rules to what remains: each half keeps its value, the one before it and
// when it asked, and the driver holds what it took last; a value refused for
// good that the key would bring the driver to sends its half one step back.
// Each history also checks that an undo refused as invalid for nothing held
// is not sent again, that every error the board met is named on a line,
// that no value refused for good is sent twice within a second, nor at all
// once the history has ended and its halves are gone, and that a dial's
// digits are taken in their order, each once, none after one refused for
// good and all where the dial ran to its end, which it signals once.
//
// The table stays well within ten seconds under the sanitizers because:
// the halves play the same part at the first step, and a half's two values
// (the clock's three selects) until the first is asked, so only the first
// comes first; an ask of what the key wants already is left out; a value
// refused for good already meets only that refusal, and one the driver took
// never meets it; a history holds one dial, whose step meets every answer,
// while its other steps are taken, and its asks also refused for good; the
// sum entry's input comes no more once its unit or either output went; the
// switch, the bus clock and the mask keep their device open. Time passes in
// turns of a second, of 100 ms while a dial plays. Each history has a key of
// its own, a fresh timeslot, channel or owner, so that nothing one leaves
// behind meets the next.
#include "hardware/BusCtl.h"
#include "hardware/DSProcReceiver.h"
#include "hardware/DsprocDriver.h"
#include "hardware/E1Ctl.h"
#include "hardware/E1Driver.h"
#include "hardware/HalDriver.h"
#include "hardware/HwMux.h"
#include "hardware/MixerDriver.h"
#include "hardware/TonecDriver.h"
#include "hardware/TonecReceiver.h"
#include "hardware/sim/BoardSimEventDevice.h"
#include "hardware/sim/BoardSimHal.h"
#include "hardware/sim/BoardSimMaintenance.h"
#include "runtime/MuxClock.h"
#include "slots/tests/SlotBench.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

enum class Move { Ask, Undo, Go, Come, Dial, Wait, Clear, Lost };
enum class Answer { Taken, Eio, Invalid, EioThenInvalid, Gone };

struct Step {
    Move move;
    int half;
    // What an ask asks for: one of the owner's values; -1 for the other moves.
    int value;
    Answer answer;
};
using History = std::vector<Step>;

// The step's request ends refused as invalid, whatever it met first.
bool Final(Answer answer) { return answer == Answer::Invalid || answer == Answer::EioThenInvalid; }

// From when a step's value is refused for good: from its own request on, or
// from its first retry on.
enum class Spoilt { Never, AtSend, AtRetry };

// The middle digit of a dial (770 Hz), the generator's value that a dial
// step's answer meets; and what the driver holds while a dial plays.
constexpr int middleDigit = 4;
constexpr int dialing = -2;

// What the README's rules leave of a history. Each half: whether it is there,
// its value and when it asked for it, and the value before that ask, put back
// where the driver refuses the ask for good; the values the driver refuses
// for good; what the driver holds for the key; and the dial that holds the
// generator.
struct Model {
    struct Half {
        bool present = true;
        std::optional<int> value;
        std::uint64_t asked = 0;
        std::optional<int> before;
        std::uint64_t beforeAsked = 0;
    };
    static Half Absent() {
        Half half;
        half.present = false;
        return half;
    }
    // A dial plays until it ran to its end, was cut short at a digit refused
    // for good, or was stopped (its half's undo, own ask or departure).
    enum class Dial { None, Plays, Ran, Cut, Stopped };

    std::vector<Half> halves;
    std::uint64_t asks = 0;
    std::set<int> bad;
    // The values the driver took, which it never refuses as invalid later.
    std::set<int> taken;
    std::optional<int> held;
    // The key owes the driver what it wants: an ask not taken yet is asked
    // again, even where the driver holds the same value.
    bool owed = false;
    int dialer = -1;
    Dial dial = Dial::None;
    // The dial's middle digit was not taken at its step: the dial waits for it.
    bool dialWaits = false;

    // The half there whose value was asked for last, or -1.
    int Latest() const {
        int latest = -1;
        for (int h = 0; h < int(halves.size()); ++h)
            if (halves[h].present && halves[h].value &&
                (latest < 0 || halves[h].asked > halves[latest].asked))
                latest = h;
        return latest;
    }
    // The dial while one plays, else the latest half's value.
    std::optional<int> Wanted() const {
        if (dialer >= 0) return dialing;
        const int latest = Latest();
        return latest < 0 ? std::nullopt : halves[latest].value;
    }
    void Ask(int half, int value, bool keepsBefore) {
        Half& h = halves[half];
        h.before = keepsBefore ? h.value : std::nullopt;
        h.beforeAsked = keepsBefore ? h.asked : 0;
        h.value = value;
        h.asked = ++asks;
    }
    // The half's latest ask was refused for good: its record holds what it
    // held before.
    void GoBack(int half) {
        Half& h = halves[half];
        h.value = std::exchange(h.before, std::nullopt);
        h.asked = std::exchange(h.beforeAsked, 0);
    }
    void EndDial(Dial end) {
        dialer = -1;
        dial = end;
    }
    void Take(std::optional<int> value) {
        held = value;
        if (value) taken.insert(*value);
    }
};

// Whether the step's own fault refuses a request it sends: one carrying its
// value, or its plain undo (nullopt); a device gone refuses all of them.
bool Refuses(const Step& step, std::optional<int> request) {
    switch (step.answer) {
        case Answer::Taken:
            return false;
        case Answer::Gone:
            return true;
        default:
            return step.move == Move::Ask ? request == step.value : !request;
    }
}

// The rules of a key that holds the latest ask of the halves there: a leg's
// generator or delays, and the bus clock, whose selects are each a half of
// their own. The key wants the latest value of a half there (a dial while
// one plays); a value the driver refuses for good that it would bring the
// driver to sends that half's record one step back, to the value before it
// (a leg) or to nothing (the clock, which keeps each select not refused);
// else the value is sent, and what the driver does not take now it takes at
// the next second's retry.
struct LatestAsk {
    // A leg's half puts its value before back; a select has none before it.
    bool keepsBefore;
    // Where no half wants anything, a leg's key is undone (a stop, a reset);
    // the clock keeps what the driver took.
    bool undoes;

    // The step's records, and what its requests bring the driver to: sent
    // where the step changed what the key wants, or asked anew.
    void Apply(Model& m, const Step& s) const {
        auto wants = [&m] {
            const int latest = m.Latest();
            return std::pair(m.dialer, latest < 0 ? 0 : m.halves[latest].asked);
        };
        const auto wanted = wants();
        Model::Half& h = m.halves[s.half];
        switch (s.move) {
            case Move::Ask:
                // A half's own ask stops its dial, giving the generator back first.
                if (m.dialer == s.half) {
                    m.EndDial(Model::Dial::Stopped);
                    Bring(m, nothing);
                }
                m.Ask(s.half, s.value, keepsBefore);
                // Sent at once unless a dial holds the generator.
                m.owed = m.dialer < 0;
                break;
            case Move::Undo:
            case Move::Go:
                if (m.dialer == s.half) m.EndDial(Model::Dial::Stopped);
                h.value.reset(), h.before.reset();
                h.present = s.move == Move::Undo;
                break;
            case Move::Come:
                h = Model::Half{};
                break;
            case Move::Dial:
                // Its first digit is taken; its own tone ends with it.
                h.value.reset(), h.before.reset();
                m.dialer = s.half, m.dial = Model::Dial::Plays, m.held = dialing, m.owed = false;
                m.dialWaits = s.answer != Answer::Taken;
                if (!m.bad.count(middleDigit)) return;
                m.EndDial(Model::Dial::Cut);
                Bring(m, nothing);
                return;
            default:
                return;
        }
        if (s.move == Move::Ask || wants() != wanted)
            Bring(m, [&s](std::optional<int> request) { return Refuses(s, request); });
    }
    // Time passes: the retries are taken, and a dial ends, cut short at a
    // middle digit it waited for that the driver refuses for good.
    void Pass(Model& m) const {
        if (m.dialer >= 0)
            m.EndDial(m.dialWaits && m.bad.count(middleDigit) ? Model::Dial::Cut
                                                              : Model::Dial::Ran);
        Bring(m, nothing);
    }
    void Bring(Model& m, const std::function<bool(std::optional<int>)>& refuses) const {
        for (;;) {
            const std::optional<int> wanted = m.Wanted();
            if ((wanted == m.held && !m.owed) || (!wanted && !undoes)) return;
            if (wanted && m.bad.count(*wanted)) {
                m.GoBack(m.Latest());
                m.owed = false;
                continue;
            }
            m.owed = refuses(wanted);
            if (!m.owed) m.Take(wanted);
            return;
        }
    }
    static bool nothing(std::optional<int>) { return false; }
};

// One owner of owed requests, driven on a key of its own per history.
class Owner {
public:
    virtual ~Owner() = default;
    virtual const char* Name() const = 0;
    // The device, the request that carries the owner's values, and those
    // that a step's own fault refuses.
    virtual const char* Path() const = 0;
    virtual unsigned long Asking() const = 0;
    virtual std::vector<unsigned long> Requests(Move move) const = 0;
    // Picks the records on the history's key that carry the value, or (-1)
    // the plain undo; null picks every record.
    virtual Board::Sim::Match Carrying(int value) const = 0;
    // The value the step's own request carries: its ask's, or -1.
    virtual int Carried(const Model&, const Step& step) const {
        return Asks(step.move) ? step.value : -1;
    }
    // Whether the move asks for a value, which refused as invalid stays
    // refused; an undo carries none.
    virtual bool Asks(Move move) const { return move == Move::Ask; }
    // Whether the move sends anything to the driver: a half that comes on
    // a leg asks nothing yet.
    virtual bool Sends(Move move) const {
        return move == Move::Ask || move == Move::Undo || move == Move::Go || move == Move::Dial;
    }
    virtual bool LosesDevice() const { return true; }
    // An ask answered with success is owed when refused; one answered with
    // the refusal is not applied, and leaves nothing to send later.
    virtual bool AsksOwed() const { return true; }
    // How the rules answer the step where they fix it: a create whose add
    // the driver refuses for good is refused.
    virtual std::optional<bool> Answered(const Model&, const Step&) const { return std::nullopt; }

    // A fresh key; every half there.
    virtual void Begin(unsigned history) = 0;
    // The step; false when it is answered with an error.
    virtual bool Do(const Step& step) = 0;
    // Every half gone, and the owner with them where it has one per history.
    virtual void End() = 0;
    virtual std::string Read() = 0;
    // What the board holds for what the model leaves.
    virtual std::string Expected(const Model& model) const = 0;
    // What the step leaves in the model, once it is known whether it was
    // applied; and what the next seconds' retries leave.
    virtual void Apply(Model& model, const Step& step, bool applied) const = 0;
    virtual void Settle(Model&) const {}
    // What the driver's own record of the history says beside the board.
    virtual void Check(const Model&, const std::string&) const {}
    // The plain undos the driver took on the key so far; 0 where it keeps
    // no record of them, or where an undo carries a value (the mask).
    virtual std::size_t Taken() const { return 0; }
    // Makes the driver lose the device (the open already failing).
    virtual void Lose() {}
    // What the key starts from: both halves there, having asked nothing.
    virtual Model Start() const {
        Model model;
        model.halves.resize(2);
        return model;
    }
    // The steps that may come next: each half there asks for each of its
    // values, undoes or goes, and a gone one comes back.
    virtual std::vector<Step> Choices(const Model& model) const;
    virtual int Values() const { return 2; }
    // Whether the halves play the same part at the start; and the value that
    // plays the same part as this one until it is asked, -1 for none.
    virtual bool Symmetric() const { return true; }
    virtual int Twin(int value) const { return value % Values() ? value - 1 : -1; }
    // The ask repeats what the key wants already.
    virtual bool Repeats(const Model& model, const Step& step) const {
        return step.move == Move::Ask && model.Latest() == step.half &&
               model.halves[step.half].value == step.value;
    }
    virtual std::string Value(int value) const { return std::to_string(value); }
    virtual std::string Text(const Step& step) const;
};

std::vector<Step> Owner::Choices(const Model& model) const {
    std::vector<Step> choices;
    for (int half = 0; half < int(model.halves.size()); ++half) {
        if (!model.halves[half].present) {
            choices.push_back({Move::Come, half, -1, Answer::Taken});
            continue;
        }
        for (int value = half * Values(); value < (half + 1) * Values(); ++value)
            choices.push_back({Move::Ask, half, value, Answer::Taken});
        choices.push_back({Move::Undo, half, -1, Answer::Taken});
        choices.push_back({Move::Go, half, -1, Answer::Taken});
    }
    return choices;
}

std::string Owner::Text(const Step& step) const {
    const std::string half = "half " + std::to_string(step.half);
    switch (step.move) {
        case Move::Ask:
            return half + " asks " + Value(step.value);
        case Move::Undo:
            return half + " undoes";
        case Move::Go:
            return half + " goes";
        case Move::Come:
            return half + " comes";
        case Move::Dial:
            return half + " dials";
        case Move::Wait:
            return "time passes";
        case Move::Clear:
            return "cleared";
        case Move::Lost:
            return "the unit is lost";
    }
    return "";
}

std::string Describe(const Owner& owner, const History& history) {
    static const char* const answers[] = {"taken", "EIO", "EINVAL", "EIO then EINVAL",
                                          "device gone"};
    std::string text;
    for (const Step& s : history)
        text += (text.empty() ? "" : ", ") + owner.Text(s) + " (" + answers[int(s.answer)] + ')';
    return text.empty() ? "nothing" : text;
}

Spoilt Spoils(const Owner& owner, const Step& step) {
    if (!owner.Asks(step.move)) return Spoilt::Never;
    if (step.answer == Answer::Invalid) return Spoilt::AtSend;
    return step.answer == Answer::EioThenInvalid ? Spoilt::AtRetry : Spoilt::Never;
}

// Whether the retries of the step's second run within it: the device back
// after a second gone, an undo refused as invalid at its retry, a wait.
bool TimePasses(const Owner& owner, const Step& step) {
    return (step.answer == Answer::Gone && step.move != Move::Dial) ||
           (step.answer == Answer::EioThenInvalid && Spoils(owner, step) == Spoilt::Never) ||
           step.move == Move::Wait;
}

// The step in the model, the values it spoils marked when they start being
// refused.
void Advance(const Owner& owner, Model& model, const Step& step, bool applied) {
    const int carried = owner.Carried(model, step);
    const Spoilt spoilt = Spoils(owner, step);
    if (spoilt == Spoilt::AtSend) model.bad.insert(carried);
    owner.Apply(model, step, applied);
    if (spoilt == Spoilt::AtRetry) model.bad.insert(carried);
    if (TimePasses(owner, step)) owner.Settle(model);
}

// A half of a leg as both receiver services see it; its dial's end signals
// are counted where its owner reads them.
struct Half : Hardware::TonecReceiver, Hardware::DSProcReceiver {
    Half(unsigned ts, unsigned& ends) : ts(ts), ends(ends) {}
    ~Half() override = default;
    void tonec_event(const Params&) override {}
    unsigned tonec_timeslot() const override { return ts; }
    void tone_gen_complete() override { ++ends; }
    void dsproc_vad_event(const Hardware::DSProcVADEvent&) override {}
    void dsproc_bss_event(const ::dsproc_bss_event*) override {}
    void dsproc_sd_event(const Hardware::DSProcSDEvent&) override {}
    void dsproc_tone_flt_event(const ::dsproc_tone_event*) override {}
    void dsproc_flags_event(const ::dsproc_flags_event*) override {}
    unsigned dsproc_timeslot() const override { return ts; }
    void Clean() {
        Hardware::TonecReceiver::CleanBeforeDestroy();
        Hardware::DSProcReceiver::CleanBeforeDestroy();
    }
    const unsigned ts;
    unsigned& ends;
};

// The owners on a receiver service: two halves on a fresh timeslot. Half h
// asks for its values 2h and 2h + 1.
class Leg : public Owner {
public:
    explicit Leg(Board::Sim& sim) : sim(sim) {}
    void Begin(unsigned history) override {
        ts = 40000 + history;
        ends = 0;
        for (auto& h : halves) h = std::make_unique<Half>(ts, ends);
        Driver().ClearHistory();
    }
    bool Do(const Step& step) override {
        std::unique_ptr<Half>& h = halves[step.half];
        switch (step.move) {
            case Move::Ask:
                return Ask(*h, step.value);
            case Move::Undo:
                return Undo(*h);
            case Move::Go:
                h->Clean();
                h.reset();
                return true;
            case Move::Come:
                h = std::make_unique<Half>(ts, ends);
                return true;
            case Move::Dial:
                Dial(*h);
                return true;
            default:
                return true;
        }
    }
    // What the halves leave stays on a timeslot no later history uses.
    void End() override {
        for (auto& h : halves) h.reset();
    }
    void Lose() override { Driver().Hangup(); }

protected:
    virtual bool Ask(Half& h, int value) = 0;
    virtual bool Undo(Half& h) = 0;
    virtual void Dial(Half&) {}
    virtual Board::SimEventDevice& Driver() const = 0;
    // How many of the timeslot's requests by the number the driver took
    // have a record that picks says yes to.
    template <class Record>
    std::size_t Count(unsigned long number, const std::function<bool(const Record&)>& picks) const {
        std::size_t n = 0;
        for (const auto& r : Driver().History())
            n += r.number == number && r.As<Record>().timeslot == ts && picks(r.As<Record>());
        return n;
    }

    Board::Sim& sim;
    unsigned ts = 0;
    unsigned ends = 0;
    std::unique_ptr<Half> halves[2];
};

// The generator of a timeslot plays a half's steady tone (half 0 425 or 450
// Hz, half 1 600 or 650 Hz: values 0 to 3), stops it (the undo), or plays a
// half's dial of 697/1209, 770/1336 and 852/1477 Hz, 300 ms each and 300 ms
// between, whose middle digit is value 4.
class Generator : public Leg {
public:
    using Leg::Leg;
    const char* Name() const override { return "tone generator"; }
    const char* Path() const override { return "/dev/dtmf"; }
    unsigned long Asking() const override { return Tonec::Dial; }
    std::vector<unsigned long> Requests(Move) const override { return {Tonec::Dial}; }
    // The frequency, or the generator stopped.
    Board::Sim::Match Carrying(int value) const override {
        return [at = ts, freq = Freq(value)](const void* record) {
            const auto& r = *static_cast<const Tonec::DialRecord*>(record);
            return r.timeslot == at && r.freq1 == freq;
        };
    }
    int Carried(const Model& model, const Step& step) const override {
        return step.move == Move::Dial ? middleDigit : Owner::Carried(model, step);
    }
    bool Asks(Move move) const override { return move == Move::Ask || move == Move::Dial; }
    std::string Read() override { return sim.Command("/dev/dtmf generator " + std::to_string(ts)); }
    std::string Expected(const Model& model) const override {
        return model.held ? "tone " + std::to_string(Freq(*model.held)) + " 0" : "off";
    }
    void Apply(Model& model, const Step& step, bool) const override { rules.Apply(model, step); }
    void Settle(Model& model) const override { rules.Pass(model); }
    // A dial's digits reach the driver in their order, each once, and none
    // after one it refuses for good.
    void Check(const Model& model, const std::string& context) const override {
        if (model.dial == Model::Dial::None) return;
        const std::vector<unsigned> all{697, Freq(middleDigit), 852};
        std::vector<unsigned> digits;
        for (const auto& r : Driver().History()) {
            if (r.number != Tonec::Dial) continue;
            const auto record = r.As<Tonec::DialRecord>();
            if (record.timeslot == ts && std::count(all.begin(), all.end(), record.freq1))
                digits.push_back(record.freq1);
        }
        std::string taken;
        for (unsigned freq : digits) taken += ' ' + std::to_string(freq);
        EXPECT_TRUE(digits.size() <= all.size() &&
                    std::equal(digits.begin(), digits.end(), all.begin()))
            << context << ": digits taken:" << taken;
        if (model.dial == Model::Dial::Cut) {
            EXPECT_EQ(digits, std::vector<unsigned>{697}) << context << ": digits taken:" << taken;
        }
        if (model.dial == Model::Dial::Ran) {
            EXPECT_EQ(digits, all) << context << ": digits taken:" << taken;
        }
        const bool ended = model.dial == Model::Dial::Ran || model.dial == Model::Dial::Cut;
        EXPECT_EQ(ended ? 1u : 0u, ends) << context << ": the dial's end signals";
    }
    std::size_t Taken() const override {
        return Count<Tonec::DialRecord>(Tonec::Dial, [](const auto& r) { return r.freq1 == 0; });
    }
    // A half dials while no dial has played; time passes while one plays.
    std::vector<Step> Choices(const Model& model) const override {
        std::vector<Step> choices = Owner::Choices(model);
        for (int half = 0; half < 2; ++half)
            if (model.halves[half].present && model.dial == Model::Dial::None)
                choices.push_back({Move::Dial, half, -1, Answer::Taken});
        if (model.dialer >= 0) choices.push_back({Move::Wait, 0, -1, Answer::Taken});
        return choices;
    }
    std::string Value(int value) const override { return std::to_string(Freq(value)) + " Hz"; }

private:
    static unsigned Freq(int value) {
        static const unsigned freqs[] = {425, 450, 600, 650, 770};
        return value < 0 ? 0 : freqs[value];
    }
    bool Ask(Half& h, int value) override {
        h.playTone(std::uint16_t(Freq(value)), 1000);
        return true;
    }
    bool Undo(Half& h) override {
        h.disableToneGenerator(true);
        return true;
    }
    void Dial(Half& h) override {
        LGCP::TranslateDtmfParams dial;
        for (auto [low, high] : {std::pair{697, 1209}, {770, 1336}, {852, 1477}}) {
            LGCP::DualTone digit;
            digit.set_freq1(low), digit.set_freq2(high);
            dial.set_digits().push_back(digit);
        }
        dial.set_toneDuration(300), dial.set_pauseDuration(300);
        h.translateDTMF(dial);
    }
    Board::SimEventDevice& Driver() const override {
        return sim.Model<Board::SimEventDevice>("/dev/dtmf");
    }
    const LatestAsk rules{true, true};
};

// The controller's switches are answered with the refusal, and not applied;
// they carry no value, so a refusal lasts for its step alone.
class Detector : public Leg {
public:
    using Leg::Leg;
    const char* Name() const override { return "DTMF detector"; }
    const char* Path() const override { return "/dev/dtmf"; }
    unsigned long Asking() const override { return Tonec::EnableDetector; }
    std::vector<unsigned long> Requests(Move) const override {
        return {Tonec::EnableDetector, Tonec::DisableDetector};
    }
    Board::Sim::Match Carrying(int) const override { return nullptr; }
    bool Asks(Move) const override { return false; }
    bool AsksOwed() const override { return false; }
    int Values() const override { return 1; }
    bool Repeats(const Model&, const Step&) const override { return false; }
    std::string Read() override {
        return sim.Command("/dev/dtmf enabled " + std::to_string(ts)) == "dtmf" ? "on" : "off";
    }
    std::string Expected(const Model& model) const override {
        return model.Latest() >= 0 ? "on" : "off";
    }
    void Apply(Model& model, const Step& step, bool applied) const override {
        Model::Half& half = model.halves[step.half];
        switch (step.move) {
            case Move::Ask:
                if (applied) half.value = step.value, half.asked = ++model.asks;
                return;
            case Move::Undo:
                if (applied) half.value.reset();
                return;
            case Move::Go:
                half = Model::Absent();
                return;
            default:
                half = Model::Half{};
                return;
        }
    }

private:
    bool Ask(Half& h, int) override { return h.enableDTMF(true); }
    bool Undo(Half& h) override { return h.enableDTMF(false); }
    Board::SimEventDevice& Driver() const override {
        return sim.Model<Board::SimEventDevice>("/dev/dtmf");
    }
};

// A half's delays: rx 10 or 20 (half 0), 40 or 50 (half 1), tx rx + 10;
// the undo sets them back to 0.
class Delays : public Leg {
public:
    using Leg::Leg;
    const char* Name() const override { return "delays"; }
    const char* Path() const override { return "/dev/dsp"; }
    unsigned long Asking() const override { return Dsproc::Configure; }
    std::vector<unsigned long> Requests(Move) const override { return {Dsproc::Configure}; }
    Board::Sim::Match Carrying(int value) const override {
        return [at = ts, rx = Rx(value)](const void* record) {
            const auto& r = *static_cast<const Dsproc::ConfigureRecord*>(record);
            return r.timeslot == at && r.kind == Dsproc::KindDelays && r.params.delays.rx == rx;
        };
    }
    // Never set and set back to 0 hold the same: nothing.
    std::string Read() override {
        const std::string held = sim.Command("/dev/dsp configured " + std::to_string(ts) + " 32");
        return held == "none" ? "0 0 0" : held;
    }
    std::string Expected(const Model& model) const override {
        if (!model.held) return "0 0 0";
        const unsigned rx = Rx(*model.held);
        return std::to_string(rx) + ' ' + std::to_string(rx + 10) + " 0";
    }
    void Apply(Model& model, const Step& step, bool) const override { rules.Apply(model, step); }
    void Settle(Model& model) const override { rules.Pass(model); }
    std::size_t Taken() const override {
        return Count<Dsproc::ConfigureRecord>(Dsproc::Configure, [](const auto& r) {
            return r.kind == Dsproc::KindDelays && r.params.delays.rx == 0;
        });
    }
    std::string Value(int value) const override { return "rx " + std::to_string(Rx(value)); }

private:
    static unsigned Rx(int value) {
        static const unsigned rx[] = {10, 20, 40, 50};
        return value < 0 ? 0 : rx[value];
    }
    bool Ask(Half& h, int value) override {
        h.configureDelays(Rx(value), Rx(value) + 10, 0);
        return true;
    }
    bool Undo(Half& h) override {
        h.configureDelays(0, 0, 0);
        return true;
    }
    Board::SimEventDevice& Driver() const override {
        return sim.Model<Board::SimEventDevice>("/dev/dsp");
    }
    const LatestAsk rules{true, true};
};

// A switch channel has one owner and holds its latest ask: a path (from
// transmit channel 100 or 101, its two values), the idle octet of its undo
// (the channel off where the driver refused that octet as invalid: it
// switches the path off at once), off once the owner goes. A refused
// connect is answered so and not applied. Its device stays open.
class Channel : public Owner {
public:
    explicit Channel(Board::Sim& sim) : sim(sim) {}
    const char* Name() const override { return "switch channel"; }
    bool LosesDevice() const override { return false; }
    bool AsksOwed() const override { return false; }
    const char* Path() const override { return "/dev/hal"; }
    unsigned long Asking() const override { return Hal::MuxConnect; }
    std::vector<unsigned long> Requests(Move move) const override {
        if (move == Move::Ask) return {Hal::MuxConnect};
        return {move == Move::Undo ? Hal::MuxWrite : Hal::MuxDisable};
    }
    // Only the key's channel: the driver's refresh switches others off
    // meanwhile. Every request of the switch names its channel first, and a
    // connect its transmit channel next.
    Board::Sim::Match Carrying(int value) const override {
        return [at = channel, from = value < 0 ? -1 : Transmit(value)](const void* record) {
            const auto& r = *static_cast<const Hal::MuxConnectRecord*>(record);
            return r.receive == at && (from < 0 || r.transmit == from);
        };
    }
    void Begin(unsigned history) override {
        channel = 20000 + int(history);
        Hal().ClearHistory();
        Hal().Record(true);
    }
    bool Do(const Step& step) override {
        if (step.move == Move::Ask) return mux.Connect(Transmit(step.value), channel);
        if (step.move == Move::Undo) mux.Disconnect(channel);
        if (step.move == Move::Go) mux.Disable(channel);
        return true;
    }
    void End() override {}
    std::string Read() override { return sim.Command("/dev/hal route " + std::to_string(channel)); }
    std::string Expected(const Model& model) const override {
        const std::string at = std::to_string(channel) + ' ';
        const auto& held = model.halves[0].value;
        if (!held) return at + "off";
        return at + (*held < 0 ? "const 0xD5" : "from " + std::to_string(Transmit(*held)));
    }
    // The one owner asks either value; its undo is owed whatever the
    // driver answers.
    void Apply(Model& model, const Step& step, bool applied) const override {
        auto& held = model.halves[0].value;
        if (step.move == Move::Ask && applied) held = step.value, model.taken.insert(step.value);
        if (step.move == Move::Undo)
            held = Final(step.answer) ? std::nullopt : std::optional<int>(-1);
        if (step.move == Move::Go) held.reset();
    }
    Model Start() const override {
        Model model;
        model.halves.resize(1);
        return model;
    }
    std::vector<Step> Choices(const Model&) const override {
        return {{Move::Ask, 0, 0, Answer::Taken},
                {Move::Ask, 0, 1, Answer::Taken},
                {Move::Undo, 0, -1, Answer::Taken},
                {Move::Go, 0, -1, Answer::Taken}};
    }
    bool Repeats(const Model& model, const Step& step) const override {
        return step.move == Move::Ask && model.halves[0].value == step.value;
    }
    // The idle octets and switch-offs the driver took on the channel.
    std::size_t Taken() const override {
        std::size_t n = 0;
        for (const Board::SimHal::Request& r : Hal().History())
            n += r.word0 == channel && (r.number == Hal::MuxWrite || r.number == Hal::MuxDisable);
        return n;
    }
    std::string Text(const Step& step) const override {
        if (step.move == Move::Ask) return "connect from " + std::to_string(Transmit(step.value));
        return step.move == Move::Undo ? "idle" : "switch off";
    }

private:
    static int Transmit(int value) { return 100 + value; }
    Board::SimHal& Hal() const { return sim.Model<Board::SimHal>("/dev/hal"); }
    Board::Sim& sim;
    HwMux mux;
    int channel = 0;
};

// An input on mixer channel 0 joins the sum of channel 2 or 3 (its two
// values), each with its output, as it comes, and leaves it as it goes; a
// second input on the channel, or one while its removal from a sum is
// owed, is refused. The key is the input's entry in either sum. Once an
// input came, either output may go, clearing its sum, or the unit may be
// lost and found again afresh, its sums clear: what the entry owed there
// ends, and no input comes after it. The model's half 0 is the input, and
// halves 1 and 2 the outputs of sums 2 and 3.
class SumEntry : public Owner {
public:
    SumEntry(Board::Sim& sim, SlotBench::Bench<int>& bench) : sim(sim), bench(bench) {}
    const char* Name() const override { return "sum entry"; }
    const char* Path() const override { return "/dev/mixer"; }
    unsigned long Asking() const override { return Mixer::RxAdd; }
    std::vector<unsigned long> Requests(Move move) const override {
        return {move == Move::Go ? Mixer::RxRemove : Mixer::RxAdd};
    }
    // Channel 0's entry in the value's sum, or in any (-1).
    Board::Sim::Match Carrying(int value) const override {
        return [sum = value < 0 ? -1 : Sum(value)](const void* record) {
            const auto& r = *static_cast<const Mixer::mix_input*>(record);
            return r.rx.dev_no == 1 && r.tx.number == 0 && (sum < 0 || r.rx.number == sum);
        };
    }
    bool Asks(Move move) const override { return move == Move::Come; }
    bool Sends(Move move) const override { return move == Move::Come || move == Move::Go; }
    std::optional<bool> Answered(const Model& model, const Step& step) const override {
        const bool spoilt = step.move == Move::Come &&
                            (model.bad.count(step.value) || Spoils(*this, step) == Spoilt::AtSend);
        return spoilt ? std::optional<bool>(false) : std::nullopt;
    }
    void Begin(unsigned) override {
        sim.Reset();
        SlotBench::Units();
        for (int sum : {2, 3})
            outputs.push_back(bench.Create(SlotBench::Mixers(), SlotBench::MixerOut(sum)));
    }
    // A create that was refused left nothing to destroy; one made where the
    // rules refuse it (the table said so already) goes before the next.
    bool Do(const Step& step) override {
        switch (step.move) {
            case Move::Come:
                if (input) bench.Destroy(input);
                input = bench.Create(SlotBench::Mixers(), SlotBench::MixerIn(0, Sum(step.value)));
                return input != nullptr;
            case Move::Go:
                if (input) bench.Destroy(input);
                input = nullptr;
                return true;
            case Move::Clear:
                bench.Destroy(std::exchange(outputs[step.half - 1], nullptr));
                return true;
            default:
                for (const char* line : {"/dev/mixer remove 1", "/dev/mixer add 1 32 32"}) {
                    sim.Command(line);
                    SlotBench::Units();
                }
                return true;
        }
    }
    void End() override {
        if (input) bench.Destroy(input);
        input = nullptr;
        for (Slot* out : outputs)
            if (out) bench.Destroy(out);
        outputs.clear();
    }
    std::string Read() override {
        return sim.Command("/dev/mixer inputs 1 2") + "; " + sim.Command("/dev/mixer inputs 1 3");
    }
    // A sum holds its output's own channel, and the input's where its entry
    // is there; a sum cleared with its output holds nothing.
    std::string Expected(const Model& model) const override {
        const auto& entry = model.halves[0].value;
        auto sum = [&](int value) {
            if (!model.halves[1 + value].present) return std::string("none");
            return std::to_string(Sum(value)) + (entry == value ? " 0" : "");
        };
        return sum(0) + "; " + sum(1);
    }
    // The one input comes with either value, and takes it with it; an add
    // dropped at its retry leaves the input out of its sum.
    void Apply(Model& model, const Step& step, bool applied) const override {
        Model::Half& in = model.halves[0];
        switch (step.move) {
            case Move::Come:
                ++model.asks;
                in = applied && !model.bad.count(step.value) ? Model::Half{} : Model::Absent();
                if (in.present && step.answer != Answer::EioThenInvalid) {
                    in.value = step.value;
                    model.taken.insert(step.value);
                }
                return;
            case Move::Go:
                in = Model::Absent();
                return;
            case Move::Clear:
                model.halves[step.half] = Model::Absent();
                if (in.value == step.half - 1) in.value.reset();
                return;
            default:
                model.halves[1] = model.halves[2] = Model::Absent();
                in.value.reset();
                return;
        }
    }
    // No input yet; both outputs there.
    Model Start() const override {
        Model model;
        model.halves = {Model::Absent(), Model::Half{}, Model::Half{}};
        return model;
    }
    std::vector<Step> Choices(const Model& model) const override {
        std::vector<Step> choices;
        const bool outputs = model.halves[1].present && model.halves[2].present;
        if (model.halves[0].present) choices.push_back({Move::Go, 0, -1, Answer::Taken});
        if (!model.halves[0].present && outputs)
            for (int value : {0, 1}) choices.push_back({Move::Come, 0, value, Answer::Taken});
        if (!model.asks) return choices;
        for (int output : {1, 2})
            if (model.halves[output].present)
                choices.push_back({Move::Clear, output, -1, Answer::Taken});
        if (outputs) choices.push_back({Move::Lost, 0, -1, Answer::Taken});
        return choices;
    }
    bool Repeats(const Model&, const Step&) const override { return false; }
    std::string Text(const Step& step) const override {
        switch (step.move) {
            case Move::Come:
                return "an input comes into sum " + std::to_string(Sum(step.value));
            case Move::Go:
                return "the input goes";
            case Move::Clear:
                return "the output of sum " + std::to_string(Sum(step.half - 1)) + " goes";
            default:
                return "the unit is lost";
        }
    }
    std::string Value(int value) const override { return "sum " + std::to_string(Sum(value)); }

private:
    static int Sum(int value) { return 2 + value; }
    Board::Sim& sim;
    SlotBench::Bench<int>& bench;
    std::vector<Slot*> outputs;
    Slot* input = nullptr;
};

// The TCLK slave mask on the maintenance device: one key, the whole mask K
// that the daemon keeps, and H, the mask the device took (the model's held).
// Its halves are trunks 0 and 1, whose bit a slave sets (the ask) and a
// master clears (the undo); a controller's connect clears them all. A mask
// is an undo where it sets no bit H lacks. An ask refused as invalid at its
// ask beside an older mask owed, where it set a bit over that one, is left
// out: K goes back to the older mask, still owed. Else, and refused so at a
// retry, the bits it carries that H lacks leave K, and K, where it differs
// from H, is sent in its place. An undo refused as invalid is owed while H
// holds a bit it clears.
// Each history has its own E1Ctl, and the device's record starts afresh.
class Mask : public Owner {
public:
    explicit Mask(Board::Sim& sim) : sim(sim) {}
    const char* Name() const override { return "TCLK mask"; }
    const char* Path() const override { return "/dev/maintenance"; }
    unsigned long Asking() const override { return E1Driver::SetTclk; }
    std::vector<unsigned long> Requests(Move) const override { return {E1Driver::SetTclk}; }
    Board::Sim::Match Carrying(int mask) const override {
        return [mask](const void* value) {
            return *static_cast<const unsigned long*>(value) == static_cast<unsigned long>(mask);
        };
    }
    // Every step sends the mask it leaves.
    int Carried(const Model& model, const Step& step) const override {
        Model after = model;
        Change(after, step);
        return int(Kept(after));
    }
    bool Sends(Move) const override { return true; }
    bool LosesDevice() const override { return false; }
    void Begin(unsigned) override {
        sim.Model<Board::SimMaintenance>("/dev/maintenance").Reset();
        e1 = std::make_unique<E1Ctl>();
    }
    bool Do(const Step& step) override {
        if (step.move == Move::Clear) {
            e1->OnConnect();
            return true;
        }
        LGCP::TrunkCfg cfg;
        cfg.set_trunk(step.half);
        cfg.set_mode(step.move == Move::Ask ? LGCP::TrunkMode::slave : LGCP::TrunkMode::master);
        e1->SetMode(cfg);
        return true;
    }
    void End() override { e1.reset(); }
    // The mask the device took last; none at all holds no bit either.
    std::string Read() override {
        std::istringstream masks(sim.Command("/dev/maintenance tclk"));
        std::string last = "0x0";
        for (std::string mask; masks >> mask;)
            if (mask != "none") last = mask;
        return last;
    }
    std::string Expected(const Model& model) const override {
        return Board::SimDevice::HexNumber(unsigned(*model.held));
    }
    // A master's or a connect's mask refused with EIO is refused as invalid
    // at its retry, that once: where it sets a bit the device lacks (a slave
    // it has not taken yet), that is an ask refused for good.
    void Apply(Model& model, const Step& step, bool) const override {
        const Model before = model;
        Change(model, step);
        const unsigned took = unsigned(*model.held), kept = Kept(model);
        const bool beside = Kept(before) != took;
        if (step.answer == Answer::Invalid && (kept & ~took) && beside && (kept & ~Kept(before))) {
            for (int trunk = 0; trunk < 2; ++trunk)
                model.halves[trunk].value = before.halves[trunk].value;
            return;
        }
        Send(model, step.answer == Answer::Taken     ? Met::Taken
                    : step.answer == Answer::Invalid ? Met::Invalid
                                                     : Met::Refused);
        if (step.answer == Answer::EioThenInvalid && !Asks(step.move)) Send(model, Met::Invalid);
    }
    // The retries are taken while the device does not refuse K for good.
    void Settle(Model& model) const override {
        for (int retry = 0; retry < 2 && Kept(model) != unsigned(*model.held); ++retry)
            Send(model, Met::Taken);
    }
    Model Start() const override {
        Model model = Owner::Start();
        model.held = 0;
        return model;
    }
    std::vector<Step> Choices(const Model&) const override {
        std::vector<Step> choices;
        for (int trunk : {0, 1})
            for (Move move : {Move::Ask, Move::Undo})
                choices.push_back({move, trunk, -1, Answer::Taken});
        choices.push_back({Move::Clear, 0, -1, Answer::Taken});
        return choices;
    }
    bool Repeats(const Model& model, const Step& step) const override {
        return step.move == Move::Ask && model.halves[step.half].value;
    }
    std::string Text(const Step& step) const override {
        if (step.move == Move::Clear) return "a controller connects";
        return "trunk " + std::to_string(step.half) +
               (step.move == Move::Ask ? " slave" : " master");
    }
    std::string Value(int mask) const override {
        return Board::SimDevice::HexNumber(unsigned(mask));
    }

private:
    enum class Met { Taken, Refused, Invalid };
    static unsigned Kept(const Model& model) {
        unsigned mask = 0;
        for (int trunk = 0; trunk < 2; ++trunk)
            if (model.halves[trunk].value) mask |= 1u << trunk;
        return mask;
    }
    static void Change(Model& model, const Step& step) {
        for (int trunk = 0; trunk < 2; ++trunk) {
            auto& slave = model.halves[trunk].value;
            if (step.move == Move::Clear || (step.move == Move::Undo && step.half == trunk))
                slave.reset();
            if (step.move == Move::Ask && step.half == trunk) slave = 1;
        }
    }
    // K sent, meeting what the step's own fault does where it refuses it.
    static void Send(Model& model, Met met) {
        const unsigned kept = Kept(model), took = unsigned(*model.held);
        if (met == Met::Refused && !model.bad.count(int(kept))) return;
        if (met == Met::Taken && !model.bad.count(int(kept))) {
            model.Take(int(kept));
            return;
        }
        const unsigned added = kept & ~took;
        if (!added) return;
        for (int trunk = 0; trunk < 2; ++trunk)
            if (added >> trunk & 1) model.halves[trunk].value.reset();
        if (Kept(model) != took) Send(model, Met::Taken);
    }
    Board::Sim& sim;
    std::unique_ptr<E1Ctl> e1;
};

// The bus clock on "/dev/hal": one key. Its values are the selects of codes
// 0, 1 and 2 and the free-running code 4 of a controller's connect (value
// 3), each its own half: the daemon keeps the selects not refused for good,
// each once and the latest last, and the driver keeps what it took where
// none is left. Each history has its own BusCtl, and the clock starts unset.
class Clock : public Owner {
public:
    explicit Clock(Board::Sim& sim) : sim(sim) {}
    const char* Name() const override { return "bus clock"; }
    const char* Path() const override { return "/dev/hal"; }
    unsigned long Asking() const override { return Hal::HW_CLOCK_SELECT; }
    std::vector<unsigned long> Requests(Move) const override { return {Hal::HW_CLOCK_SELECT}; }
    Board::Sim::Match Carrying(int value) const override {
        return [code = Code(value)](const void* record) {
            return *static_cast<const std::int32_t*>(record) == code;
        };
    }
    bool LosesDevice() const override { return false; }
    void Begin(unsigned) override {
        sim.Model<Board::SimHal>("/dev/hal").Reset();
        bus = std::make_unique<BusCtl>();
    }
    bool Do(const Step& step) override {
        if (step.value == connect)
            bus->OnConnect();
        else
            bus->DrvSetClkSrc(Code(step.value));
        return true;
    }
    void End() override { bus.reset(); }
    std::string Read() override { return sim.Command("/dev/hal clock"); }
    std::string Expected(const Model& model) const override {
        return model.held ? std::to_string(Code(*model.held)) : "none";
    }
    void Apply(Model& model, const Step& step, bool) const override { rules.Apply(model, step); }
    void Settle(Model& model) const override { rules.Pass(model); }
    Model Start() const override {
        Model model;
        model.halves.resize(connect + 1);
        return model;
    }
    std::vector<Step> Choices(const Model&) const override {
        std::vector<Step> choices;
        for (int value = 0; value <= connect; ++value)
            choices.push_back({Move::Ask, value, value, Answer::Taken});
        return choices;
    }
    bool Symmetric() const override { return false; }
    int Twin(int value) const override { return value > 0 && value < connect ? value - 1 : -1; }
    std::string Text(const Step& step) const override {
        return step.value == connect ? "a controller connects" : "select " + Value(step.value);
    }
    std::string Value(int value) const override { return std::to_string(Code(value)); }

private:
    static constexpr int connect = 3;
    static int Code(int value) { return value == connect ? BusCtl::freeRunning : value; }
    Board::Sim& sim;
    std::unique_ptr<BusCtl> bus;
    const LatestAsk rules{false, false};
};

class OwedHistories : public SlotBench::Bench<int> {
protected:
    std::unique_ptr<Owner> Make(int which) {
        switch (which) {
            case 0:
                return std::make_unique<Channel>(*sim);
            case 1:
                return std::make_unique<Generator>(*sim);
            case 2:
                return std::make_unique<Detector>(*sim);
            case 3:
                return std::make_unique<Delays>(*sim);
            case 4:
                return std::make_unique<Mask>(*sim);
            case 5:
                return std::make_unique<Clock>(*sim);
            default:
                return std::make_unique<SumEntry>(*sim, *this);
        }
    }
    // Every history of up to steps more steps after the one given.
    void Enumerate(Owner& owner, History& history, const Model& model, unsigned steps);
    void Run(Owner& owner, const History& history);

    void Pass(std::uint64_t ms, std::uint64_t turn) {
        LoopDriver(&clock, turn).Run(unsigned(ms / turn));
    }

    static constexpr std::uint64_t turnMs = 1000, dialTurnMs = 100;
    // Long enough for a dial whose middle digit waited a second to end.
    static constexpr std::uint64_t dialEndMs = 3000;
    unsigned histories = 0;
};

bool Dials(const History& history) {
    return std::any_of(history.begin(), history.end(),
                       [](const Step& s) { return s.move == Move::Dial; });
}

// The answers a step meets. A value refused for good already is refused so
// whatever the step, and one the driver took is never refused so; a step
// that sends nothing is taken. Beside a dial, the other steps are taken, and
// an ask also refused for good. An ask answered with its refusal (a connect,
// a detector's switch) is never sent again by itself: EIO and then EINVAL
// from its retry on meets it as EINVAL does, or for a switch as EIO does. A
// half's later value (the clock's later selects) is taken, or refused for
// good at once or from its retry: what it adds to the first is a value to
// go back from, which a passing fault or a lost device does not test.
std::vector<Answer> Answers(const Owner& owner, const Model& model, const Step& step, bool dials) {
    if (!owner.Sends(step.move)) return {Answer::Taken};
    const int carried = owner.Carried(model, step);
    if (model.bad.count(carried)) return {Answer::Invalid};
    std::vector<Answer> answers{Answer::Taken, Answer::Eio, Answer::Invalid, Answer::EioThenInvalid,
                                Answer::Gone};
    if (dials && step.move != Move::Dial)
        answers = {Answer::Taken, step.move == Move::Ask ? Answer::Invalid : Answer::Taken};
    const bool good = owner.Asks(step.move) && model.taken.count(carried);
    answers.erase(std::remove_if(answers.begin(), answers.end(),
                                 [&](Answer a) {
                                     return (good && Final(a)) ||
                                            (a == Answer::Gone && !owner.LosesDevice()) ||
                                            (a == Answer::EioThenInvalid && !owner.AsksOwed() &&
                                             step.move == Move::Ask) ||
                                            ((a == Answer::Eio || a == Answer::Gone) &&
                                             step.move == Move::Ask &&
                                             owner.Twin(step.value) >= 0);
                                 }),
                  answers.end());
    answers.erase(std::unique(answers.begin(), answers.end()), answers.end());
    return answers;
}

void OwedHistories::Enumerate(Owner& owner, History& history, const Model& model, unsigned steps) {
    if (!history.empty()) Run(owner, history);
    if (!steps || HasFailure()) return;
    const auto asked = [&history](int value) {
        return value < 0 || std::any_of(history.begin(), history.end(),
                                        [value](const Step& s) { return s.value == value; });
    };
    // A dial joins only a history whose steps meet what a dial's others do.
    const bool dialFits = std::all_of(history.begin(), history.end(), [](const Step& s) {
        return s.answer == Answer::Taken || (s.move == Move::Ask && s.answer == Answer::Invalid);
    });
    for (Step step : owner.Choices(model)) {
        // The halves, and the two values of each, play the same part: a
        // history and the one with them swapped run alike.
        if (history.empty() && step.half && owner.Symmetric()) continue;
        if (step.value >= 0 && !asked(owner.Twin(step.value))) continue;
        if (owner.Repeats(model, step) || (step.move == Move::Dial && !dialFits)) continue;
        for (Answer answer :
             Answers(owner, model, step, Dials(history) || step.move == Move::Dial)) {
            step.answer = answer;
            history.push_back(step);
            Model next = model;
            Advance(owner, next, step, owner.Answered(model, step).value_or(true));
            Enumerate(owner, history, next, steps - 1);
            history.pop_back();
        }
    }
}

// The history's values refused for good: from its step on, the driver
// refuses every request that carries one as invalid, and each such request
// is recorded with the fake clock's millisecond, whether it was the step's
// own ask, and whether the history had ended.
class Spoiled {
public:
    Spoiled(Board::Sim& sim, const Owner& owner) : sim(sim), owner(owner) {}
    // The faults go with the record they write to.
    ~Spoiled() { sim.ClearFaults(); }
    void Add(int value) {
        if (values.insert(value).second) Install(value);
    }
    // The step's own faults go; the values refused for good stay.
    void Clear() {
        sim.ClearFaults();
        for (int value : values) Install(value);
    }
    // The value the step's own request carries while it runs, or none.
    void Asking(std::optional<int> value) { asking = value, askSent = false; }
    void End() { ended = true; }
    bool Empty() const { return values.empty(); }
    // No value sent again within a second of its last send, but for the
    // history's own asks, and none once the history ended.
    void Check(const std::string& context) const {
        std::map<int, std::uint32_t> last;
        for (const Sent& s : sent) {
            const std::string value = owner.Value(s.value);
            EXPECT_FALSE(s.late) << context << ": " << value << " sent after the history ended";
            const auto before = last.find(s.value);
            if (!s.own && before != last.end()) {
                EXPECT_GE(s.ms - before->second, 1000u)
                    << context << ": " << value << " sent again within a second";
            }
            last[s.value] = s.ms;
        }
    }

private:
    struct Sent {
        int value;
        std::uint32_t ms;
        bool own, late;
    };
    void Install(int value) {
        sim.FailRequest(owner.Path(), owner.Asking(), EINVAL, false,
                        [this, value, carries = owner.Carrying(value)](const void* record) {
                            if (!carries(record)) return false;
                            const bool own = asking == value && !std::exchange(askSent, true);
                            sent.push_back({value, Mux::milliseconds(), own, ended});
                            return true;
                        });
    }

    Board::Sim& sim;
    const Owner& owner;
    std::set<int> values;
    std::vector<Sent> sent;
    std::optional<int> asking;
    bool askSent = false, ended = false;
};

// The board's own lines say what each request met; the daemon's must name
// every error among them.
void OwedHistories::Run(Owner& owner, const History& history) {
    TestSupport::StreamCapture out(std::clog), err(std::cerr);
    owner.Begin(histories++);
    const std::string context = owner.Name() + std::string(": ") + Describe(owner, history);
    Model model = owner.Start();
    Spoiled spoiled(*sim, owner);
    // While a dial plays, time passes in turns fine enough for its 300 ms steps.
    bool dial = false;
    auto pass = [&](std::uint64_t ms) {
        Pass(ms, dial || model.dialer >= 0 ? dialTurnMs : turnMs);
    };
    std::string board, said;
    // What the board met while run ran: its lines apart from the daemon's.
    auto logged = [&](std::string& into, const std::function<void()>& run) {
        TestSupport::StreamCapture lines(std::clog);
        sim->SetLogging(true);
        run();
        sim->SetLogging(false);
        std::istringstream text(lines.str());
        for (std::string line; std::getline(text, line);)
            (line.rfind("board-sim: ", 0) ? said : into) += line + '\n';
    };
    // Where asks are owed, what their retries meet is the board's too; the
    // answered owners' retries are their undos', which their steps met first.
    auto passes = [&](const std::function<void()>& run) {
        if (owner.AsksOwed())
            logged(board, run);
        else
            run();
    };
    // The undos refused as invalid that nothing may send again until the
    // next undo: those of nothing the driver held, with how many the
    // driver had taken then.
    std::vector<std::size_t> invalid;
    auto unsent = [&] {
        for (std::size_t taken : invalid)
            EXPECT_EQ(taken, owner.Taken()) << context << ": undo sent again";
        invalid.clear();
    };
    const std::string bare = owner.Expected(owner.Start());
    // An undo refused for a while before may still be owed, and sent.
    bool undoOwed = false;
    for (const Step& step : history) {
        const bool undoes = step.move == Move::Undo || step.move == Move::Go;
        if (undoes) unsent();
        const bool held = undoes && owner.Read() != bare;
        const int carried = owner.Carried(model, step);
        const Spoilt spoils = Spoils(owner, step);
        const bool gone = step.answer == Answer::Gone;
        dial = step.move == Move::Dial;
        const int error = step.answer == Answer::Invalid ? (spoils == Spoilt::Never ? EINVAL : 0)
                          : step.answer == Answer::Taken || gone ? 0
                                                                 : EIO;
        auto refuse = [&](int error, bool once) {
            for (unsigned long request : owner.Requests(step.move))
                sim->FailRequest(owner.Path(), request, error, once, owner.Carrying(carried));
        };
        auto lose = [&] {
            sim->FailOpen(owner.Path(), ENOENT, false);
            owner.Lose();
            LoopDriver().Run(2);
        };
        if (spoils == Spoilt::AtSend) spoiled.Add(carried);
        if (error) refuse(error, false);
        if (gone && !dial) lose();
        std::string met;
        bool applied = true;
        logged(met, [&] {
            if (carried >= 0) spoiled.Asking(carried);
            applied = owner.Do(step);
            spoiled.Asking(std::nullopt);
        });
        passes([&] {
            // A dial meets the step's fault at its middle digit, 600 ms on.
            if (dial) {
                pass(500);
                if (gone) lose();
            }
            // Gone for a second, then back: the next second's retry finds it.
            if (gone) pass(1000);
            if (dial && !gone) pass(200);
            spoiled.Clear();
            if (gone && !dial) pass(1000);
            if (step.move == Move::Wait) pass(dialEndMs);
        });
        // The next second's retry refused as invalid: for good where the
        // step asks for a value, else that once.
        if (spoils == Spoilt::AtRetry) spoiled.Add(carried);
        if (step.answer == Answer::EioThenInvalid && spoils == Spoilt::Never) {
            refuse(EINVAL, true);
            logged(board, [&] { pass(2000); });
            spoiled.Clear();
        }
        board += met;
        if (const auto answered = owner.Answered(model, step)) {
            EXPECT_EQ(*answered, applied) << context << ": the step's answer";
        }
        Advance(owner, model, step, applied);
        undoOwed = undoOwed || (undoes && (error == EIO || gone));
        if (undoes && Final(step.answer) && !held && !undoOwed &&
            met.find("(Invalid argument)") != std::string::npos)
            invalid.push_back(owner.Taken());
    }
    dial = false;
    passes([&] { pass(model.dialer >= 0 ? dialEndMs : 2000); });
    owner.Settle(model);
    unsent();
    EXPECT_EQ(owner.Expected(model), owner.Read()) << context;
    owner.Check(model, context);
    said += out.str() + err.str();
    for (const char* error :
         {"Input/output error", "Invalid argument", "No such file or directory"}) {
        if (board.find(std::string("(") + error + ")") == std::string::npos) continue;
        EXPECT_NE(said.find(error), std::string::npos)
            << context << ": no line names " << error << "\n"
            << said;
    }
    // What is owed goes on after the owner's halves, retried within the
    // second: nothing refused for good may be among it.
    owner.End();
    spoiled.End();
    if (!spoiled.Empty()) Pass(1000, turnMs);
    spoiled.Check(context);
}

TEST_P(OwedHistories, EndOnWhatTheirModelSays) {
    // The daemon's switch, which cases before may have opened, refreshes
    // the shared bus at every turn of the loop: closed, it leaves the
    // thousands of histories' turns light. The mixer's slots open it again.
    HwMux::instance().Close();
    const std::unique_ptr<Owner> owner = Make(GetParam());
    const auto start = std::chrono::steady_clock::now();
    History history;
    Enumerate(*owner, history, owner->Start(), 3);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    RecordProperty("histories", int(histories));
    std::cout << owner->Name() << ": " << histories << " histories in " << took.count() << " s"
              << std::endl;
}

// The mixer's last: its slots bring the daemon's switch, whose refresh
// would slow every history after them when the program runs whole.
const char* const ownerNames[] = {"SwitchChannel", "ToneGenerator", "DtmfDetector", "Delays",
                                  "TclkMask",      "BusClock",      "SumEntry"};

INSTANTIATE_TEST_SUITE_P(EveryOwner, OwedHistories, ::testing::Range(0, 7),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(ownerNames[info.param]);
                         });

}  // namespace
