// Every short history on one key of each owner of owed requests ends on the
// board that a small model of the README's rules says, whatever each step's
// requests met. A history is up to three steps: a half asks for one of its
// two values, undoes or goes, or a new half comes in a gone one's place; on
// the tone generator a half also dials, and time passes until its dial
// ends; the VAD parameters have no undo, and a half may ask again for the
// value it holds; the sum entry's output goes, or its unit is lost; the
// TCLK mask's halves are two trunks, slave their ask and master their undo,
// a controller's connect clears it, and a burst is both trunks' words back
// to back; the bus clock's values are its selects. The steps come a turn
// of the loop apart.
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
// Where the halves' records hold more than the board shows (the VAD
// parameters, which only a departure sends back), a third half asks over
// them and goes once the board is read, and what is sent back is checked.
// Each history also checks that an undo refused as invalid for nothing held
// is not sent again, that every error the board met is named on a line,
// that no value refused for good is sent twice within a second, nor at all
// once the history has ended and its halves are gone, that no request the
// driver refused is sent again within a second of its refusal but by a
// step, and that a dial's digits are taken in their order, each once, none
// after one refused for good and all where the dial ran to its end, which it
// signals once.
//
// The table stays well within ten seconds under the sanitizers because:
// the halves play the same part at the first step, and a half's two values
// (the clock's three selects) until the first is asked, so only the first
// comes first; an ask of what the key wants already is left out, but for
// the VAD parameters; a value refused for good already meets only that
// refusal, and one the driver took never meets it unless it is sent back
// for its half; a history holds one dial, whose step meets every answer,
// while its other steps are taken, and its asks also refused for good, and
// one burst of the mask; the sum entry's input comes no more once its unit
// or either output went; the switch, the bus clock and the mask keep their
// device open; the switches' refresh of the shared bus has nothing to send.
// Time passes in turns of 200 ms, of 100 ms while a dial plays, so that a
// retry sent within the second of its refusal is seen. Each history has a
// key of its own, a fresh timeslot, channel or owner, so that nothing one
// leaves behind meets the next.
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

enum class Move { Ask, Undo, Go, Come, Dial, Wait, Clear, Lost, Burst };
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
    // The driver refuses the value for good: it leaves the half's record
    // wherever it stands there.
    void Leave(int half, int value) {
        Half& h = halves[half];
        if (h.before == value) h.before.reset();
        if (h.value == value) GoBack(half);
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
    // Of those, the ones the driver refuses once it refuses the value for
    // good.
    virtual Board::Sim::Match Refusing(int value) const { return Carrying(value); }
    // The value the step's own request carries: its ask's, or -1.
    virtual int Carried(const Model& model, const Step& step) const {
        return Asks(model, step) ? step.value : -1;
    }
    // Whether the step asks for a value, which refused as invalid stays
    // refused; an undo carries none.
    virtual bool Asks(const Model&, const Step& step) const { return step.move == Move::Ask; }
    // Whether the step sends anything to the driver: a half that comes on
    // a leg asks nothing yet.
    virtual bool Sends(const Model&, const Step& step) const {
        const Move move = step.move;
        return move == Move::Ask || move == Move::Undo || move == Move::Go || move == Move::Dial;
    }
    // Whether the move sends a half's value back as that half's ask, which
    // the driver may refuse for good though it took it before.
    virtual bool SendsBack(Move) const { return false; }
    // A value the step sends before its own, which the driver refuses with
    // EIO once, so that it is owed when the step's own is sent; -1 for none.
    virtual int Older(const Model&, const Step&) const { return -1; }
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
    // What the key's records hold beyond what the driver holds, shown on the
    // board where the owner can, once the board has been read.
    virtual void Probe(const Model&, const std::string&) {}
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
        case Move::Burst:
            return half + " and the other at once";
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

Spoilt Spoils(const Owner& owner, const Model& model, const Step& step) {
    if (!owner.Asks(model, step)) return Spoilt::Never;
    if (step.answer == Answer::Invalid) return Spoilt::AtSend;
    return step.answer == Answer::EioThenInvalid ? Spoilt::AtRetry : Spoilt::Never;
}

// Whether the retries of the step's second run within it: the device back
// after a second gone, an undo refused as invalid at its retry, a wait.
bool TimePasses(const Owner& owner, const Model& model, const Step& step) {
    return (step.answer == Answer::Gone && step.move != Move::Dial) ||
           (step.answer == Answer::EioThenInvalid && Spoils(owner, model, step) == Spoilt::Never) ||
           step.move == Move::Wait;
}

// The step in the model, the values it spoils marked when they start being
// refused.
void Advance(const Owner& owner, Model& model, const Step& step, bool applied) {
    const int carried = owner.Carried(model, step);
    const Spoilt spoilt = Spoils(owner, model, step);
    const bool passes = TimePasses(owner, model, step);
    if (spoilt == Spoilt::AtSend) model.bad.insert(carried);
    owner.Apply(model, step, applied);
    if (spoilt == Spoilt::AtRetry) model.bad.insert(carried);
    if (passes) owner.Settle(model);
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
            case Move::Undo:
            case Move::Dial:
                return Act(*h, step);
            case Move::Go:
                h->Clean();
                h.reset();
                return true;
            case Move::Come:
                h = std::make_unique<Half>(ts, ends);
                return true;
            case Move::Wait:
            case Move::Clear:
            case Move::Lost:
            case Move::Burst:
                return true;
        }
        return true;
    }
    // What the halves leave stays on a timeslot no later history uses.
    void End() override {
        for (auto& h : halves) h.reset();
    }
    void Lose() override { Driver().Hangup(); }

protected:
    // The half's own move (an ask, an undo or a dial, those the owner
    // offers); false when it is answered with an error.
    virtual bool Act(Half& h, const Step& step) = 0;
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
    bool Asks(const Model&, const Step& step) const override {
        return step.move == Move::Ask || step.move == Move::Dial;
    }
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
    // Every move of the generator is answered with success.
    bool Act(Half& h, const Step& step) override {
        if (step.move == Move::Dial)
            Dial(h);
        else if (step.move == Move::Undo)
            h.disableToneGenerator(true);
        else
            h.playTone(std::uint16_t(Freq(step.value)), 1000);
        return true;
    }
    static void Dial(Half& h) {
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
    bool Asks(const Model&, const Step&) const override { return false; }
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
    bool Act(Half& h, const Step& step) override { return h.enableDTMF(step.move == Move::Ask); }
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
    // The undo's delays are all 0; either is answered with success.
    bool Act(Half& h, const Step& step) override {
        const unsigned rx = step.move == Move::Ask ? Rx(step.value) : 0;
        h.configureDelays(rx, rx ? rx + 10 : 0, 0);
        return true;
    }
    Board::SimEventDevice& Driver() const override {
        return sim.Model<Board::SimEventDevice>("/dev/dsp");
    }
    const LatestAsk rules{true, true};
};

// A half's VAD parameters, on the driver's version 2 (its power-on one):
// voice 20 or 30 ms (half 0), 60 or 70 ms (half 1), silence 400 ms, energy
// 12 dB. An ask is answered with the refusal and not applied: its record
// stays as it was, or loses the value the driver refuses for good. They
// have no undo: a half that goes leaves the driver the value asked for
// last by the other, sent back as the other's ask, owed until taken, and
// leaving the other's record where the driver refuses it for good; with
// none left, the driver keeps what it holds and nothing is sent for the
// key. A half may ask again for the value it holds. (SD's parameters are
// one fixed value: nothing of them goes back.)
class Vad : public Leg {
public:
    using Leg::Leg;
    const char* Name() const override { return "VAD parameters"; }
    const char* Path() const override { return "/dev/dsp"; }
    unsigned long Asking() const override { return Dsproc::Configure; }
    std::vector<unsigned long> Requests(Move) const override { return {Dsproc::Configure}; }
    Board::Sim::Match Carrying(int value) const override {
        return [at = ts, voice = Voice(value)](const void* record) {
            const auto& r = *static_cast<const Dsproc::ConfigureRecord*>(record);
            return r.timeslot == at && r.kind == Dsproc::KindVAD && r.params.vad.voice_ms == voice;
        };
    }
    // A departure's request carries the value it sends back.
    int Carried(const Model& model, const Step& step) const override {
        if (step.move == Move::Ask) return step.value;
        if (step.move != Move::Go || !model.halves[step.half].value) return -1;
        Model after = model;
        after.halves[step.half] = Model::Absent();
        const int latest = after.Latest();
        if (latest < 0 || after.held == after.halves[latest].value) return -1;
        return *after.halves[latest].value;
    }
    bool Asks(const Model& model, const Step& step) const override {
        return Carried(model, step) >= 0;
    }
    bool Sends(const Model& model, const Step& step) const override { return Asks(model, step); }
    bool SendsBack(Move move) const override { return move == Move::Go; }
    bool AsksOwed() const override { return false; }
    std::optional<bool> Answered(const Model&, const Step& step) const override {
        if (step.move != Move::Ask) return std::nullopt;
        return step.answer == Answer::Taken;
    }
    // No undo.
    std::vector<Step> Choices(const Model& model) const override {
        std::vector<Step> choices = Owner::Choices(model);
        choices.erase(std::remove_if(choices.begin(), choices.end(),
                                     [](const Step& s) { return s.move == Move::Undo; }),
                      choices.end());
        return choices;
    }
    bool Repeats(const Model&, const Step&) const override { return false; }
    std::string Read() override {
        return sim.Command("/dev/dsp configured " + std::to_string(ts) + " 1");
    }
    std::string Expected(const Model& model) const override {
        return model.held ? Fields(*model.held) : "none";
    }
    void Apply(Model& model, const Step& step, bool applied) const override {
        const int carried = Carried(model, step);
        Model::Half& half = model.halves[step.half];
        switch (step.move) {
            case Move::Ask:
                if (applied) {
                    model.Ask(step.half, step.value, true);
                    model.Take(step.value);
                    model.owed = false;
                } else if (Final(step.answer)) {
                    model.Leave(step.half, step.value);
                }
                return;
            case Move::Go: {
                const bool had = half.value.has_value();
                half = Model::Absent();
                // Its first send meets the step's fault; refused for good,
                // the driver's refusal holds it already.
                if (had)
                    Bring(model, [&](int value) {
                        if (value != carried) return Answer::Taken;
                        return step.answer == Answer::EioThenInvalid ? Answer::Eio : step.answer;
                    });
                return;
            }
            case Move::Come:
                half = Model::Half{};
                return;
            case Move::Undo:
            case Move::Dial:
            case Move::Wait:
            case Move::Clear:
            case Move::Lost:
            case Move::Burst:
                return;
        }
    }
    // The value owed is retried and taken, unless the driver refuses it for
    // good.
    void Settle(Model& model) const override {
        if (model.owed) Bring(model, [](int) { return Answer::Taken; });
    }
    // Nothing but VAD parameters reaches the driver for the key (and the
    // switch-off of its tone filters that each departure sends): VAD has no
    // reset to send where no value is left.
    void Check(const Model&, const std::string& context) const override {
        for (const auto& r : Driver().History()) {
            const auto record = r.As<Dsproc::ConfigureRecord>();
            if (record.timeslot != ts) continue;
            const bool vad = r.number == Dsproc::Configure && record.kind == Dsproc::KindVAD;
            const bool filtersOff = r.number == Dsproc::Disable &&
                                    r.As<Dsproc::SwitchRecord>().mask == Dsproc::MaskToneAll;
            EXPECT_TRUE(vad || filtersOff)
                << context << ": request " << Board::SimDevice::HexNumber(r.number) << " of kind "
                << record.kind << " on the timeslot";
        }
    }
    // The halves' records show on the board only once what the driver holds
    // is replaced: a third half asks over them and goes, and the driver is
    // sent back the value asked for last by a half there, or keeps the
    // third's where none is left.
    void Probe(const Model& model, const std::string& context) override {
        {
            Half third(ts, ends);
            EXPECT_TRUE(third.configureVAD(Params(probe))) << context << ": the probe's ask";
            third.Clean();
        }
        const int latest = model.Latest();
        EXPECT_EQ(Fields(latest < 0 ? probe : *model.halves[latest].value), Read())
            << context << ": what the halves' records send back";
    }
    std::string Value(int value) const override {
        return "voice " + std::to_string(Voice(value)) + " ms";
    }

private:
    // The third half's value, which no half asks for.
    static constexpr int probe = 4;
    static unsigned Voice(int value) {
        static const unsigned voice[] = {20, 30, 60, 70, 90};
        return value < 0 ? 0 : voice[value];
    }
    static LGCP::VADParams Params(int value) {
        LGCP::VADParams params;
        TERM::VADParamsV2& v2 = params.select_v2();
        v2.set_voice_th_msec(Voice(value)), v2.set_silence_th_msec(400), v2.set_e_th_dB(12);
        return params;
    }
    // What the driver's record of the key shows for the value.
    static std::string Fields(int value) { return std::to_string(Voice(value)) + " 400 12"; }
    // The value the latest half there asked for is sent back, as its ask,
    // unless the driver holds it: taken, or owed, or refused for good, when
    // it leaves that half's record and the next is sent. None left, the
    // driver keeps what it holds and nothing is owed.
    static void Bring(Model& model, const std::function<Answer(int)>& meets) {
        for (;;) {
            const int latest = model.Latest();
            if (latest < 0 || model.held == model.halves[latest].value) {
                model.owed = false;
                return;
            }
            const int value = *model.halves[latest].value;
            const Answer met = model.bad.count(value) ? Answer::Invalid : meets(value);
            if (!Final(met)) {
                model.owed = met != Answer::Taken;
                if (!model.owed) model.Take(value);
                return;
            }
            model.Leave(latest, value);
        }
    }
    bool Act(Half& h, const Step& step) override { return h.configureVAD(Params(step.value)); }
    Board::SimEventDevice& Driver() const override {
        return sim.Model<Board::SimEventDevice>("/dev/dsp");
    }
};

// A switch's refresh sends each shared-bus output that is off its switch-off
// again, 256 of them at every turn of the loop: with every one driven, it
// sends nothing, and the histories' short turns stay light. No key of the
// table is on the shared bus.
void Quieten(HwMux& mux) {
    for (int bus = HwMux::busFirst; bus < HwMux::busFirst + HwMux::busCount; ++bus)
        mux.Write(bus, HwMux::idleOctet);
}

// A switch channel has one owner and holds its latest ask: a path (from
// transmit channel 100 or 101, its two values), the idle octet of its undo
// (the channel off where the driver refused that octet as invalid: it
// switches the path off at once), off once the owner goes. A refused
// connect is answered so and not applied. Its device stays open.
class Channel : public Owner {
public:
    explicit Channel(Board::Sim& sim) : sim(sim) { Quieten(mux); }
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
    // The mixer's slots use the daemon's switch, which this case gives back
    // as it found it: closed.
    SumEntry(Board::Sim& sim, SlotBench::Bench<int>& bench) : sim(sim), bench(bench) {
        Quieten(HwMux::instance());
    }
    ~SumEntry() override { HwMux::instance().Close(); }
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
    bool Asks(const Model&, const Step& step) const override { return step.move == Move::Come; }
    bool Sends(const Model&, const Step& step) const override {
        return step.move == Move::Come || step.move == Move::Go;
    }
    std::optional<bool> Answered(const Model& model, const Step& step) const override {
        const bool spoilt =
            step.move == Move::Come &&
            (model.bad.count(step.value) || Spoils(*this, model, step) == Spoilt::AtSend);
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

// The TCLK slave mask on the maintenance device: one key, the mask K that
// the controller's words make, and H, the mask the device took last (the
// model's held). Its halves are trunks 0 and 1: each one's last word is a
// slave (the ask), a master (the undo) or a controller's connect, which
// clears them all; a burst is a word for each trunk back to back, the first
// one's mask refused with EIO once, so that it is owed when the second's is
// sent. Every word sends K. A mask that sets a bit H lacks is an ask, owed
// until taken; the driver refuses one as invalid for good where it asks
// (an undo carries no value of its own). What takes the place of an ask so
// refused keeps every clear it carried and drops only the bits the refusal
// falls on: at its ask while an older mask is owed, the bits it newly set
// over that one, where it set any; otherwise the bits it carries that H
// lacks. Their trunks' slaves are dropped. What is left stays owed where it
// is the older mask, leaves nothing owed where it is H, and is sent at once
// otherwise. Any other mask is an undo, owed whatever the error while H
// holds a bit it clears, and final when refused as invalid for none. So the
// device ends holding the bit of each trunk whose last word is a slave not
// dropped, and no other.
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
    Board::Sim::Match Refusing(int mask) const override {
        return [this, carries = Carrying(mask), mask](const void* value) {
            return carries(value) && (unsigned(mask) & ~Device()) != 0;
        };
    }
    // Every step sends the mask it leaves.
    int Carried(const Model& model, const Step& step) const override {
        Model after = model;
        Change(after, step);
        return int(Kept(after));
    }
    bool Asks(const Model& model, const Step& step) const override {
        return (unsigned(Carried(model, step)) & ~unsigned(*model.held)) != 0;
    }
    bool Sends(const Model&, const Step&) const override { return true; }
    int Older(const Model& model, const Step& step) const override {
        if (step.move != Move::Burst) return -1;
        Model after = model;
        Word(after, step.half, step.value & 1);
        return int(Kept(after));
    }
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
        SetMode(step.half, step.move == Move::Burst ? step.value & 1 : step.move == Move::Ask);
        if (step.move == Move::Burst) SetMode(1 - step.half, step.value & 2);
        return true;
    }
    void End() override { e1.reset(); }
    std::string Read() override { return Board::SimDevice::HexNumber(Device()); }
    std::string Expected(const Model& model) const override {
        return Board::SimDevice::HexNumber(Kept(model));
    }
    // The step's words, each sending K. Within the step, the burst's first
    // mask meets EIO once and the step's own mask its answer; after it, an
    // undo refused with EIO meets EINVAL at its retry, that once.
    void Apply(Model& model, const Step& step, bool) const override {
        const int carried = Carried(model, step), older = Older(model, step);
        const bool asks = Asks(model, step);
        bool olderMet = false;
        const auto meets = [&](unsigned mask) {
            if (int(mask) == older && !std::exchange(olderMet, true)) return Answer::Eio;
            if (int(mask) != carried) return Answer::Taken;
            return step.answer == Answer::EioThenInvalid ? Answer::Eio : step.answer;
        };
        if (step.move == Move::Burst) {
            for (int word = 0; word < 2; ++word) {
                const unsigned before = Kept(model);
                Word(model, word ? 1 - step.half : step.half, step.value >> word & 1);
                Send(model, before, true, meets);
            }
        } else {
            const unsigned before = Kept(model);
            Change(model, step);
            Send(model, before, true, meets);
        }
        if (step.answer != Answer::EioThenInvalid || asks || !model.owed) return;
        Send(model, Kept(model), false,
             [&](unsigned mask) { return int(mask) == carried ? Answer::Invalid : Answer::Taken; });
    }
    // The retries are taken but where the device refuses K for good.
    void Settle(Model& model) const override {
        while (model.owed) Send(model, Kept(model), false, [](unsigned) { return Answer::Taken; });
    }
    Model Start() const override {
        Model model = Owner::Start();
        model.held = 0;
        return model;
    }
    // Each trunk's two words, a connect, and a burst of the word for each
    // trunk that changes K, either first, unless the device refuses the
    // first one's mask for good (it would not be owed).
    std::vector<Step> Choices(const Model& model) const override {
        std::vector<Step> choices;
        for (int trunk : {0, 1})
            for (Move move : {Move::Ask, Move::Undo})
                choices.push_back({move, trunk, -1, Answer::Taken});
        choices.push_back({Move::Clear, 0, -1, Answer::Taken});
        for (int first : {0, 1}) {
            const int words =
                (model.halves[first].value ? 0 : 1) | (model.halves[1 - first].value ? 0 : 2);
            const Step burst{Move::Burst, first, words, Answer::Taken};
            const int older = Older(model, burst);
            if (!model.bad.count(older) || !(unsigned(older) & ~unsigned(*model.held)))
                choices.push_back(burst);
        }
        return choices;
    }
    bool Repeats(const Model& model, const Step& step) const override {
        return step.move == Move::Ask && model.halves[step.half].value;
    }
    // A burst's value names its words, not a trunk's value.
    int Twin(int) const override { return -1; }
    std::string Text(const Step& step) const override {
        auto word = [](int trunk, bool slave) {
            return "trunk " + std::to_string(trunk) + (slave ? " slave" : " master");
        };
        if (step.move == Move::Clear) return "a controller connects";
        if (step.move != Move::Burst) return word(step.half, step.move == Move::Ask);
        return word(step.half, step.value & 1) + " and " + word(1 - step.half, step.value & 2) +
               " at once";
    }
    std::string Value(int mask) const override {
        return Board::SimDevice::HexNumber(unsigned(mask));
    }

private:
    // The mask of the slaves not dropped.
    static unsigned Kept(const Model& model) {
        unsigned mask = 0;
        for (int trunk = 0; trunk < 2; ++trunk)
            if (model.halves[trunk].value) mask |= 1u << trunk;
        return mask;
    }
    // The trunk's last word: its slave, or its master.
    static void Word(Model& model, int trunk, bool slave) {
        model.halves[trunk].value = slave ? std::optional<int>(1) : std::nullopt;
    }
    static void Change(Model& model, const Step& step) {
        switch (step.move) {
            case Move::Ask:
            case Move::Undo:
                Word(model, step.half, step.move == Move::Ask);
                return;
            case Move::Burst:
                Word(model, step.half, step.value & 1);
                Word(model, 1 - step.half, step.value & 2);
                return;
            case Move::Clear:
                for (int trunk = 0; trunk < 2; ++trunk) Word(model, trunk, false);
                return;
            case Move::Go:
            case Move::Come:
            case Move::Dial:
            case Move::Wait:
            case Move::Lost:
                return;
        }
    }
    // K sent, at its ask (before: K before its word) or at a retry: it
    // meets the driver's refusal for good where it asks, else what meets
    // says.
    static void Send(Model& model, unsigned before, bool atAsk,
                     const std::function<Answer(unsigned)>& meets) {
        const unsigned mask = Kept(model), took = unsigned(*model.held);
        const bool asks = (mask & ~took) != 0;
        const bool older = atAsk && model.owed;
        const Answer met = asks && model.bad.count(int(mask)) ? Answer::Invalid : meets(mask);
        if (met == Answer::Taken) {
            model.Take(int(mask));
            model.owed = false;
            return;
        }
        if (!Final(met) || !asks) {
            model.owed = !Final(met) || (took & ~mask);
            return;
        }
        const unsigned newly = older ? mask & ~before : 0;
        for (int trunk = 0; trunk < 2; ++trunk)
            if ((newly ? newly : mask & ~took) >> trunk & 1) model.halves[trunk].value.reset();
        const unsigned left = Kept(model);
        if (older && left == before) return;
        if (!older || left == took) model.owed = false;
        if (left != took) Send(model, before, true, meets);
    }
    void SetMode(int trunk, bool slave) {
        LGCP::TrunkCfg cfg;
        cfg.set_trunk(trunk);
        cfg.set_mode(slave ? LGCP::TrunkMode::slave : LGCP::TrunkMode::master);
        e1->SetMode(cfg);
    }
    // The mask the device took last; none at all holds no bit either.
    unsigned Device() const {
        std::istringstream masks(sim.Command("/dev/maintenance tclk"));
        unsigned long last = 0;
        for (std::string mask; masks >> mask;)
            if (mask != "none") last = std::stoul(mask, nullptr, 16);
        return unsigned(last);
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
                return std::make_unique<Vad>(*sim);
            case 5:
                return std::make_unique<Mask>(*sim);
            case 6:
                return std::make_unique<Clock>(*sim);
            default:
                return std::make_unique<SumEntry>(*sim, *this);
        }
    }
    // Every history of up to steps more steps after the one given.
    void Enumerate(Owner& owner, History& history, const Model& model, unsigned steps);
    void Run(Owner& owner, const History& history);

    // A turn's timers run before its time passes: one more turn, on the
    // time reached, runs what is due by then.
    void Pass(std::uint64_t ms, std::uint64_t turn) {
        LoopDriver(&clock, turn).Run(unsigned(ms / turn));
        LoopDriver().Run(1);
    }

    // A retry sent within the second of its refusal is seen as such.
    static constexpr std::uint64_t turnMs = 200, dialTurnMs = 100;
    // Long enough for a dial whose middle digit waited a second to end.
    static constexpr std::uint64_t dialEndMs = 3000;
    unsigned histories = 0;
};

bool Dials(const History& history) {
    return std::any_of(history.begin(), history.end(),
                       [](const Step& s) { return s.move == Move::Dial; });
}

// The answers a step meets. A value refused for good already is refused so
// wherever it asks, and one the driver took is never refused so, but where
// it is sent back for its half; a step that sends nothing is taken. Beside a
// dial, the other steps are taken, and an ask also refused for good. An ask
// answered with its refusal (a connect, a detector's switch) is never sent
// again by itself: EIO and then EINVAL from its retry on meets it as EINVAL
// does, or for a switch as EIO does. A half's later value (the clock's later
// selects) is taken, or refused for good at once or from its retry: what it
// adds to the first is a value to go back from, which a passing fault or a
// lost device does not test, unless the half asks again for the value it
// holds, whose record such a fault leaves as it was.
std::vector<Answer> Answers(const Owner& owner, const Model& model, const Step& step, bool dials) {
    if (!owner.Sends(model, step)) return {Answer::Taken};
    const int carried = owner.Carried(model, step);
    if (model.bad.count(carried) && owner.Asks(model, step)) return {Answer::Invalid};
    std::vector<Answer> answers{Answer::Taken, Answer::Eio, Answer::Invalid, Answer::EioThenInvalid,
                                Answer::Gone};
    if (dials && step.move != Move::Dial)
        answers = {Answer::Taken, step.move == Move::Ask ? Answer::Invalid : Answer::Taken};
    const bool good =
        owner.Asks(model, step) && model.taken.count(carried) && !owner.SendsBack(step.move);
    const bool holds = step.move == Move::Ask && model.halves[step.half].value == step.value;
    answers.erase(std::remove_if(answers.begin(), answers.end(),
                                 [&](Answer a) {
                                     return (good && Final(a)) ||
                                            (a == Answer::Gone && !owner.LosesDevice()) ||
                                            (a == Answer::EioThenInvalid && !owner.AsksOwed() &&
                                             step.move == Move::Ask) ||
                                            ((a == Answer::Eio || a == Answer::Gone) &&
                                             step.move == Move::Ask && !holds &&
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
    // A history holds one burst: a second adds an older mask owed, which
    // the first already has.
    const bool burst = std::any_of(history.begin(), history.end(),
                                   [](const Step& s) { return s.move == Move::Burst; });
    for (Step step : owner.Choices(model)) {
        // The halves, and the two values of each, play the same part: a
        // history and the one with them swapped run alike.
        if (history.empty() && step.half && owner.Symmetric()) continue;
        if (step.value >= 0 && !asked(owner.Twin(step.value))) continue;
        if (owner.Repeats(model, step) || (step.move == Move::Dial && !dialFits) ||
            (step.move == Move::Burst && burst))
            continue;
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

// What the history's driver refuses: the values it refuses for good, from
// their step on, as invalid, and the step's own faults. Each request it
// refused is recorded with the fake clock's millisecond, and so is each
// later send of a request refused before (the same request, carrying the
// same value): whether a step sent it, the step's own ask among them, and
// whether the history had ended.
class Faults {
public:
    // What the owner sends is watched from the start, ahead of every fault.
    Faults(Board::Sim& sim, const Owner& owner) : sim(sim), owner(owner) {
        for (Move move : {Move::Ask, Move::Undo, Move::Go, Move::Come, Move::Dial, Move::Wait,
                          Move::Clear, Move::Lost, Move::Burst})
            for (unsigned long request : owner.Requests(move)) requests.insert(request);
        Watch();
    }
    // The faults go with the record they write to.
    ~Faults() { sim.ClearFaults(); }
    void Spoil(int value) {
        if (values.insert(value).second) Spoiling(value);
    }
    // The step's own fault on the requests that carry the value (-1: the
    // plain undo).
    void Refuse(const std::vector<unsigned long>& numbers, int value, int error, bool once) {
        for (unsigned long request : numbers)
            Install(request, value, error, once, owner.Carrying(value), false);
    }
    // The step's own faults go; the values refused for good stay.
    void Clear() {
        sim.ClearFaults();
        Watch();
        for (int value : values) Spoiling(value);
    }
    // A step runs, its own request carrying the value; or none does.
    void Stepping(std::optional<int> value) {
        stepping = value.has_value();
        asking = value, askSent = false;
    }
    void End() { ended = true; }
    bool Spoilt() const { return !values.empty(); }
    // No value refused for good sent again within a second of its last
    // send, but for the history's own asks, and none once the history
    // ended; and no request the driver refused sent again within a second
    // of its refusal but by a step.
    void Check(const std::string& context) const {
        std::map<int, std::uint32_t> bad;
        std::map<std::pair<unsigned long, int>, std::uint32_t> refused;
        for (const Sent& s : sent) {
            const std::string value = owner.Value(s.value);
            const auto key = std::pair(s.request, s.value);
            const auto before = refused.find(key);
            if (!s.refused) {
                if (!s.stepping && before != refused.end()) {
                    EXPECT_GE(s.ms - before->second, 1000u)
                        << context << ": " << value << " retried within a second of its refusal";
                }
                continue;
            }
            refused[key] = s.ms;
            if (!s.forGood) continue;
            EXPECT_FALSE(s.late) << context << ": " << value << " sent after the history ended";
            const auto last = bad.find(s.value);
            if (!s.own && last != bad.end()) {
                EXPECT_GE(s.ms - last->second, 1000u)
                    << context << ": " << value << " sent again within a second";
            }
            bad[s.value] = s.ms;
        }
    }

private:
    struct Sent {
        unsigned long request;
        int value;
        std::uint32_t ms;
        bool refused, forGood, stepping, own, late;
    };
    // Every request that carries a value refused before is recorded as it
    // comes, and left to the faults behind.
    void Watch() {
        for (unsigned long request : requests)
            sim.FailRequest(owner.Path(), request, 0, false, [this, request](const void* record) {
                for (const auto& [key, carries] : watched)
                    if (key.first == request && (!carries || carries(record)))
                        sent.push_back({request, key.second, Mux::milliseconds(), false, false,
                                        stepping, false, ended});
                return false;
            });
    }
    void Spoiling(int value) {
        Install(owner.Asking(), value, EINVAL, false, owner.Refusing(value), true);
    }
    void Install(unsigned long request, int value, int error, bool once, Board::Sim::Match picks,
                 bool forGood) {
        sim.FailRequest(owner.Path(), request, error, once,
                        [this, request, value, picks, forGood](const void* record) {
                            if (picks && !picks(record)) return false;
                            const bool own = asking == value && !std::exchange(askSent, true);
                            sent.push_back({request, value, Mux::milliseconds(), true, forGood,
                                            stepping, own, ended});
                            watched.emplace(std::pair(request, value), owner.Carrying(value));
                            return true;
                        });
    }

    Board::Sim& sim;
    const Owner& owner;
    std::set<unsigned long> requests;
    std::set<int> values;
    std::map<std::pair<unsigned long, int>, Board::Sim::Match> watched;
    std::vector<Sent> sent;
    std::optional<int> asking;
    bool askSent = false, stepping = false, ended = false;
};

// The board's own lines say what each request met; the daemon's must name
// every error among them.
void OwedHistories::Run(Owner& owner, const History& history) {
    TestSupport::StreamCapture out(std::clog), err(std::cerr);
    owner.Begin(histories++);
    const std::string context = owner.Name() + std::string(": ") + Describe(owner, history);
    Model model = owner.Start();
    Faults faults(*sim, owner);
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
        // The steps come a turn apart: what they have refused is retried
        // within the seconds of each other's refusals, never before its own.
        if (&step != &history.front()) passes([&] { pass(turnMs); });
        const bool undoes = step.move == Move::Undo || step.move == Move::Go;
        if (undoes) unsent();
        const bool held = undoes && owner.Read() != bare;
        const int carried = owner.Carried(model, step);
        const Spoilt spoils = Spoils(owner, model, step);
        const bool gone = step.answer == Answer::Gone;
        dial = step.move == Move::Dial;
        const int error = step.answer == Answer::Invalid ? (spoils == Spoilt::Never ? EINVAL : 0)
                          : step.answer == Answer::Taken || gone ? 0
                                                                 : EIO;
        auto refuse = [&](int error, bool once) {
            faults.Refuse(owner.Requests(step.move), carried, error, once);
        };
        auto lose = [&] {
            sim->FailOpen(owner.Path(), ENOENT, false);
            owner.Lose();
            LoopDriver().Run(2);
        };
        if (spoils == Spoilt::AtSend) faults.Spoil(carried);
        if (const int older = owner.Older(model, step); older >= 0)
            faults.Refuse({owner.Asking()}, older, EIO, true);
        if (error) refuse(error, false);
        if (gone && !dial) lose();
        std::string met;
        bool applied = true;
        logged(met, [&] {
            faults.Stepping(carried);
            applied = owner.Do(step);
            faults.Stepping(std::nullopt);
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
            faults.Clear();
            if (gone && !dial) pass(1000);
            if (step.move == Move::Wait) pass(dialEndMs);
        });
        // The next second's retry refused as invalid: for good where the
        // step asks for a value, else that once.
        if (spoils == Spoilt::AtRetry) faults.Spoil(carried);
        if (step.answer == Answer::EioThenInvalid && spoils == Spoilt::Never) {
            refuse(EINVAL, true);
            logged(board, [&] { pass(2000); });
            faults.Clear();
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
    faults.Stepping(-1);
    owner.Probe(model, context);
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
    faults.Stepping(std::nullopt);
    faults.End();
    if (faults.Spoilt()) Pass(1000, turnMs);
    faults.Check(context);
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
                                  "VadParameters", "TclkMask",      "BusClock",     "SumEntry"};

INSTANTIATE_TEST_SUITE_P(EveryOwner, OwedHistories, ::testing::Range(0, 8),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(ownerNames[info.param]);
                         });

}  // namespace
