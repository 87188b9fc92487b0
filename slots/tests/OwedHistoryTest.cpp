// Every short history on one key of each owner of owed requests ends on the
// board that a small model of the README's rules says, whatever each step's
// requests met. A history is up to three steps: a half asks (each half its own
// value), undoes or goes, or a new half comes in a gone one's place. The step's
// own ask or undo is taken, refused with EIO, refused as invalid, refused with
// EIO and then as invalid at its retry, or meets its device gone for a second
// (what else the step sends, the other half's settings sent back, meets only
// the device gone). Then the driver takes everything for two seconds and the
// board is read back. The model replays the history, leaving out the asks whose
// refusal is not owed (refused as invalid, or answered with an error), and
// applies the leg's rules to what remains. Each history also checks that
// nothing refused as invalid is sent again (an ask until its half asks again,
// an undo of nothing the driver held until the next undo), and that every error
// the board met is named on a line. Each history has a key of its own, a fresh
// timeslot or channel, so that nothing one leaves behind meets the next.
#include "hardware/DSProcReceiver.h"
#include "hardware/DsprocDriver.h"
#include "hardware/HalDriver.h"
#include "hardware/HwMux.h"
#include "hardware/MixerDriver.h"
#include "hardware/TonecDriver.h"
#include "hardware/TonecReceiver.h"
#include "hardware/sim/BoardSimEventDevice.h"
#include "hardware/sim/BoardSimHal.h"
#include "slots/tests/SlotBench.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum class Move { Ask, Undo, Go, Come };
enum class Answer { Taken, Eio, Invalid, EioThenInvalid, Gone };

struct Step {
    Move move;
    int half;
    Answer answer;
};
using History = std::vector<Step>;

// The step's request ends refused as invalid, whatever it met first.
bool Final(Answer answer) { return answer == Answer::Invalid || answer == Answer::EioThenInvalid; }

std::string Describe(const History& history) {
    static const char* const moves[] = {"asks", "undoes", "goes", "comes"};
    static const char* const answers[] = {"taken", "EIO", "EINVAL", "EIO then EINVAL",
                                          "device gone"};
    std::string text;
    for (const Step& s : history)
        text += std::string(text.empty() ? "" : ", ") + "half " + std::to_string(s.half) + ' ' +
                moves[int(s.move)] + " (" + answers[int(s.answer)] + ')';
    return text.empty() ? "nothing" : text;
}

// What the README's rules leave of a history: for each half, whether it is
// there and what it asked for last, with the order of the asks.
struct Model {
    struct Half {
        bool present = true;
        std::optional<int> value;
        std::uint64_t asked = 0;
    };
    std::vector<Half> halves;
    std::uint64_t asks = 0;

    // The value asked for last by a half still there.
    std::optional<int> Latest() const {
        const Half* latest = nullptr;
        for (const Half& h : halves)
            if (h.present && h.value && (!latest || h.asked > latest->asked)) latest = &h;
        return latest ? latest->value : std::nullopt;
    }
};

// One owner of owed requests, driven on a key of its own per history.
class Owner {
public:
    virtual ~Owner() = default;
    virtual const char* Name() const = 0;
    // Whether a half may undo, and whether its device can be lost.
    virtual bool Undoes() const { return true; }
    virtual bool LosesDevice() const { return true; }
    // The device, and the requests a step's fault refuses: those of its own
    // ask or undo, by number and record. What else the step sends (the
    // other half's settings sent back) meets only a device gone; the
    // undo table refuses that alone.
    virtual const char* Path() const = 0;
    virtual std::vector<unsigned long> Requests(Move move) const = 0;
    virtual Board::Sim::Match Refusing(Move, int) const { return nullptr; }
    // An ask answered with success is owed when refused; one answered with
    // the refusal is not applied.
    virtual bool AsksOwed() const { return true; }

    // A fresh key; every half there.
    virtual void Begin(unsigned history) = 0;
    // The step on the half; false when it is answered with an error.
    virtual bool Do(Move move, int half) = 0;
    // Every half gone.
    virtual void End() = 0;
    virtual std::string Read() = 0;
    // What the board holds for what the model leaves.
    virtual std::string Expected(const Model& model) const = 0;
    // How the step changes the model, once the step is known to count.
    virtual void Apply(Model& model, const Step& step, bool applied) const;
    // Requests of the half's asked value the driver took so far, or with
    // half -1, of the undo; 0 where the driver keeps no record of them.
    virtual std::size_t Sent(int half) const = 0;
    // Makes the driver lose the device (the open already failing).
    virtual void Lose() {}
    // Whether the move sends anything to the driver: a half that comes on
    // a leg asks nothing yet.
    virtual bool Sends(Move move) const { return move != Move::Come; }
    // The steps that may come next: each half there asks, undoes or goes,
    // and a gone one comes back.
    virtual std::vector<std::pair<Move, int>> Choices(const Model& model) const;
    // What the key starts from: both halves there, having asked nothing.
    virtual Model Start() const {
        Model model;
        model.halves.resize(2);
        return model;
    }
};

std::vector<std::pair<Move, int>> Owner::Choices(const Model& model) const {
    std::vector<std::pair<Move, int>> choices;
    for (int half = 0; half < int(model.halves.size()); ++half) {
        if (!model.halves[half].present) {
            choices.emplace_back(Move::Come, half);
            continue;
        }
        choices.emplace_back(Move::Ask, half);
        if (Undoes()) choices.emplace_back(Move::Undo, half);
        choices.emplace_back(Move::Go, half);
    }
    return choices;
}

void Owner::Apply(Model& model, const Step& step, bool applied) const {
    Model::Half& half = model.halves[step.half];
    switch (step.move) {
        case Move::Ask:
            if (!applied || (AsksOwed() && Final(step.answer))) return;
            half.value = step.half;
            half.asked = ++model.asks;
            return;
        case Move::Undo:
            if (applied) half.value.reset();
            return;
        case Move::Go:
            half = Model::Half{false, std::nullopt, 0};
            return;
        case Move::Come:
            half = Model::Half{};
            return;
    }
}

// A half of a leg as both receiver services see it.
struct Half : Hardware::TonecReceiver, Hardware::DSProcReceiver {
    explicit Half(unsigned ts) : ts(ts) {}
    ~Half() override = default;
    void tonec_event(const Params&) override {}
    unsigned tonec_timeslot() const override { return ts; }
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
};

// The owners on a receiver service: two halves on a fresh timeslot.
class Leg : public Owner {
public:
    explicit Leg(Board::Sim& sim) : sim(sim) {}
    void Begin(unsigned history) override {
        ts = 40000 + history;
        for (auto& h : halves) h = std::make_unique<Half>(ts);
        Driver().ClearHistory();
    }
    bool Do(Move move, int half) override {
        std::unique_ptr<Half>& h = halves[half];
        switch (move) {
            case Move::Ask:
                return Ask(*h, half);
            case Move::Undo:
                return Undo(*h);
            case Move::Go:
                h->Clean();
                h.reset();
                return true;
            case Move::Come:
                h = std::make_unique<Half>(ts);
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
    virtual bool Ask(Half& h, int half) = 0;
    virtual bool Undo(Half& h) = 0;
    virtual Board::SimEventDevice& Driver() const = 0;

    Board::Sim& sim;
    unsigned ts = 0;
    std::unique_ptr<Half> halves[2];
};

class Generator : public Leg {
public:
    using Leg::Leg;
    const char* Name() const override { return "tone generator"; }
    const char* Path() const override { return "/dev/dtmf"; }
    std::vector<unsigned long> Requests(Move) const override { return {Tonec::Dial}; }
    // The half's own tone, or the generator stopped.
    Board::Sim::Match Refusing(Move move, int half) const override {
        const unsigned freq = Freq(move == Move::Ask ? half : -1);
        return [freq](const void* record) {
            return static_cast<const Tonec::DialRecord*>(record)->freq1 == freq;
        };
    }
    std::string Read() override { return sim.Command("/dev/dtmf generator " + std::to_string(ts)); }
    std::string Expected(const Model& model) const override {
        const auto latest = model.Latest();
        return latest ? "tone " + std::to_string(Freq(*latest)) + " 0" : "off";
    }
    std::size_t Sent(int half) const override {
        std::size_t n = 0;
        for (const auto& r : Driver().History())
            n += r.number == Tonec::Dial && r.As<Tonec::DialRecord>().freq1 == Freq(half);
        return n;
    }

private:
    static unsigned Freq(int half) { return half < 0 ? 0 : half ? 600 : 425; }
    bool Ask(Half& h, int half) override {
        h.playTone(std::uint16_t(Freq(half)), 1000);
        return true;
    }
    bool Undo(Half& h) override {
        h.disableToneGenerator(true);
        return true;
    }
    Board::SimEventDevice& Driver() const override {
        return sim.Model<Board::SimEventDevice>("/dev/dtmf");
    }
};

// The controller's switches are answered with the refusal, and not applied.
class Detector : public Leg {
public:
    using Leg::Leg;
    const char* Name() const override { return "DTMF detector"; }
    const char* Path() const override { return "/dev/dtmf"; }
    std::vector<unsigned long> Requests(Move) const override {
        return {Tonec::EnableDetector, Tonec::DisableDetector};
    }
    bool AsksOwed() const override { return false; }
    std::string Read() override {
        return sim.Command("/dev/dtmf enabled " + std::to_string(ts)) == "dtmf" ? "on" : "off";
    }
    std::string Expected(const Model& model) const override {
        return model.Latest() ? "on" : "off";
    }
    // A switch refused as invalid is answered so: never sent again by itself.
    std::size_t Sent(int) const override { return 0; }

private:
    bool Ask(Half& h, int) override { return h.enableDTMF(true); }
    bool Undo(Half& h) override { return h.enableDTMF(false); }
    Board::SimEventDevice& Driver() const override {
        return sim.Model<Board::SimEventDevice>("/dev/dtmf");
    }
};

class Delays : public Leg {
public:
    using Leg::Leg;
    const char* Name() const override { return "delays"; }
    const char* Path() const override { return "/dev/dsp"; }
    std::vector<unsigned long> Requests(Move) const override { return {Dsproc::Configure}; }
    // The half's own delays, or delays back to 0.
    Board::Sim::Match Refusing(Move move, int half) const override {
        const unsigned rx = Rx(move == Move::Ask ? half : -1);
        return [rx](const void* record) {
            const auto& r = *static_cast<const Dsproc::ConfigureRecord*>(record);
            return r.kind == Dsproc::KindDelays && r.params.delays.rx == rx;
        };
    }
    // Never set and set back to 0 hold the same: nothing.
    std::string Read() override {
        const std::string held = sim.Command("/dev/dsp configured " + std::to_string(ts) + " 32");
        return held == "none" ? "0 0 0" : held;
    }
    std::string Expected(const Model& model) const override {
        const auto latest = model.Latest();
        if (!latest) return "0 0 0";
        return std::to_string(Rx(*latest)) + ' ' + std::to_string(Rx(*latest) + 10) + " 0";
    }
    std::size_t Sent(int half) const override {
        std::size_t n = 0;
        for (const auto& r : Driver().History()) {
            if (r.number != Dsproc::Configure) continue;
            const auto record = r.As<Dsproc::ConfigureRecord>();
            n += record.kind == Dsproc::KindDelays && record.params.delays.rx == Rx(half);
        }
        return n;
    }

private:
    static unsigned Rx(int half) { return half < 0 ? 0 : half ? 40 : 10; }
    bool Ask(Half& h, int half) override {
        h.configureDelays(Rx(half), Rx(half) + 10, 0);
        return true;
    }
    bool Undo(Half& h) override {
        h.configureDelays(0, 0, 0);
        return true;
    }
    Board::SimEventDevice& Driver() const override {
        return sim.Model<Board::SimEventDevice>("/dev/dsp");
    }
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
    const char* Path() const override { return "/dev/hal"; }
    std::vector<unsigned long> Requests(Move move) const override {
        if (move == Move::Ask) return {Hal::MuxConnect};
        return {move == Move::Undo ? Hal::MuxWrite : Hal::MuxDisable};
    }
    bool AsksOwed() const override { return false; }
    // Only the key's channel: the driver's refresh switches others off meanwhile. Every
    // request of the switch names its channel first.
    Board::Sim::Match Refusing(Move, int) const override {
        return [at = channel](const void* record) {
            return static_cast<const Hal::MuxChannelRecord*>(record)->channel == at;
        };
    }
    void Begin(unsigned history) override {
        channel = 20000 + int(history);
        Hal().ClearHistory();
        Hal().Record(true);
    }
    bool Do(Move move, int value) override {
        if (move == Move::Ask) return mux.Connect(Transmit(value), channel);
        if (move == Move::Undo) mux.Disconnect(channel);
        if (move == Move::Go) mux.Disable(channel);
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
        if (step.move == Move::Ask && applied) held = step.half;
        if (step.move == Move::Undo)
            held = Final(step.answer) ? std::nullopt : std::optional<int>(-1);
        if (step.move == Move::Go) held.reset();
    }
    std::vector<std::pair<Move, int>> Choices(const Model&) const override {
        return {{Move::Ask, 0}, {Move::Ask, 1}, {Move::Undo, 0}, {Move::Go, 0}};
    }
    // What the driver took on the channel: a path from the value's transmit
    // channel, or for the undo (-1) the idle octet or a switch-off.
    std::size_t Sent(int value) const override {
        std::size_t n = 0;
        for (const Board::SimHal::Request& r : Hal().History()) {
            if (r.word0 != channel) continue;
            n += value < 0 ? r.number == Hal::MuxWrite || r.number == Hal::MuxDisable
                           : r.number == Hal::MuxConnect && r.word1 == Transmit(value);
        }
        return n;
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
// owed, is refused. The key is the input's entry in either sum.
class SumEntry : public Owner {
public:
    SumEntry(Board::Sim& sim, SlotBench::Bench<int>& bench) : sim(sim), bench(bench) {}
    const char* Name() const override { return "sum entry"; }
    bool Undoes() const override { return false; }
    const char* Path() const override { return "/dev/mixer"; }
    std::vector<unsigned long> Requests(Move move) const override {
        return {move == Move::Go ? Mixer::RxRemove : Mixer::RxAdd};
    }
    void Begin(unsigned) override {
        sim.Reset();
        SlotBench::Units();
        for (int sum : {2, 3})
            outputs.push_back(bench.Create(SlotBench::Mixers(), SlotBench::MixerOut(sum)));
    }
    bool Do(Move move, int value) override {
        // A create that was refused left nothing to destroy.
        if (move == Move::Go) {
            if (input) bench.Destroy(input);
            input = nullptr;
            return true;
        }
        input = bench.Create(SlotBench::Mixers(), SlotBench::MixerIn(0, Sum(value)));
        return input != nullptr;
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
    std::string Expected(const Model& model) const override {
        const auto& entry = model.halves[0].value;
        auto sum = [&](int s) {
            return std::to_string(s) + (entry && Sum(*entry) == s ? " 0" : "");
        };
        return sum(2) + "; " + sum(3);
    }
    // The one input comes with either value, and takes it with it.
    void Apply(Model& model, const Step& step, bool applied) const override {
        Model::Half& in = model.halves[0];
        if (step.move == Move::Go) in = Model::Half{false, std::nullopt, 0};
        if (step.move != Move::Come || !applied) return;
        in = Model::Half{};
        if (!Final(step.answer)) in.value = step.half;
    }
    // No input yet.
    Model Start() const override {
        Model model;
        model.halves.push_back(Model::Half{false, std::nullopt, 0});
        return model;
    }
    bool Sends(Move) const override { return true; }
    std::vector<std::pair<Move, int>> Choices(const Model& model) const override {
        if (model.halves[0].present) return {{Move::Go, 0}};
        return {{Move::Come, 0}, {Move::Come, 1}};
    }
    // Not counted: the board has no record of the adds it took, and an add
    // sent again after its refusal as invalid would be taken and read back.
    std::size_t Sent(int) const override { return 0; }

private:
    static int Sum(int value) { return 2 + value; }
    Board::Sim& sim;
    SlotBench::Bench<int>& bench;
    std::vector<Slot*> outputs;
    Slot* input = nullptr;
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
            default:
                return std::make_unique<SumEntry>(*sim, *this);
        }
    }
    // Every history of up to steps more steps after the one given.
    void Enumerate(Owner& owner, History& history, const Model& model, unsigned steps);
    void Run(Owner& owner, const History& history);

    void Pass(std::uint64_t ms) { LoopDriver(&clock, turnMs).Run(unsigned(ms / turnMs)); }

    static constexpr std::uint64_t turnMs = 1000;
    unsigned histories = 0;
};

void OwedHistories::Enumerate(Owner& owner, History& history, const Model& model, unsigned steps) {
    if (!history.empty()) Run(owner, history);
    if (!steps || HasFailure()) return;
    for (const auto& [move, half] : owner.Choices(model)) {
        // The halves, and the two values, play the same part: a history
        // and the one with them swapped run alike.
        if (history.empty() && half) continue;
        for (Answer answer :
             {Answer::Taken, Answer::Eio, Answer::Invalid, Answer::EioThenInvalid, Answer::Gone}) {
            if (answer != Answer::Taken && !owner.Sends(move)) break;
            if (answer == Answer::Gone && !owner.LosesDevice()) break;
            history.push_back({move, half, answer});
            // Who is there after it, as if it were taken; what they asked
            // is the run's to find.
            Model next = model;
            owner.Apply(next, {move, half, Answer::Taken}, true);
            Enumerate(owner, history, next, steps - 1);
            history.pop_back();
        }
    }
}

// The board's own lines say what each request met; the daemon's must name
// every error among them.
void OwedHistories::Run(Owner& owner, const History& history) {
    TestSupport::StreamCapture out(std::clog), err(std::cerr);
    owner.Begin(histories++);
    Model model = owner.Start();
    std::string board, said;
    // The requests refused as invalid that nothing may send again: an ask,
    // by the half's value, or an undo (-1) of nothing the driver held; and
    // how many of them the driver had taken then.
    std::vector<std::pair<int, std::size_t>> invalid;
    // Until a step that asks the same (which == -2: the end of the history).
    auto unsent = [&](int which) {
        for (auto it = invalid.begin(); it != invalid.end();) {
            if (which != -2 && it->first != which) {
                ++it;
                continue;
            }
            EXPECT_EQ(it->second, owner.Sent(it->first))
                << owner.Name() << ": " << Describe(history) << ": sent again";
            it = invalid.erase(it);
        }
    };
    const std::string bare = owner.Expected(owner.Start());
    // An undo refused for a while before may still be owed, and sent.
    bool undoOwed = false;
    for (const Step& step : history) {
        const bool undoes = step.move == Move::Undo || step.move == Move::Go;
        unsent(step.move == Move::Ask ? step.half : undoes ? -1 : -3);
        const bool held = undoes && owner.Read() != bare;
        const int error = step.answer == Answer::Invalid ? EINVAL
                          : step.answer == Answer::Taken ? 0
                          : step.answer == Answer::Gone  ? 0
                                                         : EIO;
        auto refuse = [&](int error, bool once) {
            for (unsigned long request : owner.Requests(step.move))
                sim->FailRequest(owner.Path(), request, error, once,
                                 owner.Refusing(step.move, step.half));
        };
        if (error) refuse(error, false);
        if (step.answer == Answer::Gone) {
            sim->FailOpen(owner.Path(), ENOENT, false);
            owner.Lose();
            LoopDriver().Run(2);
        }
        std::string met;
        // What the board met while run ran: its lines apart from the daemon's.
        auto logged = [&](const std::function<void()>& run) {
            TestSupport::StreamCapture lines(std::clog);
            sim->SetLogging(true);
            run();
            sim->SetLogging(false);
            std::istringstream text(lines.str());
            for (std::string line; std::getline(text, line);)
                (line.rfind("board-sim: ", 0) ? said : met) += line + '\n';
        };
        bool applied;
        logged([&] { applied = owner.Do(step.move, step.half); });
        // Gone for a second, then back: the next second's retry finds it.
        if (step.answer == Answer::Gone) Pass(1000);
        sim->ClearFaults();
        if (step.answer == Answer::Gone) Pass(1000);
        // The next second's retry, where there is one, refused as invalid.
        if (step.answer == Answer::EioThenInvalid) {
            refuse(EINVAL, true);
            logged([&] { Pass(2000); });
            sim->ClearFaults();
        }
        board += met;
        owner.Apply(model, step, applied);
        undoOwed = undoOwed || (undoes && (error == EIO || step.answer == Answer::Gone));
        if (!Final(step.answer)) continue;
        // An older ask of the same value that stays owed may be sent.
        if (step.move == Move::Ask && owner.AsksOwed() && !model.halves[step.half].value)
            invalid.emplace_back(step.half, owner.Sent(step.half));
        if (undoes && !held && !undoOwed && met.find("(Invalid argument)") != std::string::npos)
            invalid.emplace_back(-1, owner.Sent(-1));
    }
    Pass(2000);
    unsent(-2);
    EXPECT_EQ(owner.Expected(model), owner.Read()) << owner.Name() << ": " << Describe(history);
    said += out.str() + err.str();
    for (const char* error :
         {"Input/output error", "Invalid argument", "No such file or directory"}) {
        if (board.find(std::string("(") + error + ")") == std::string::npos) continue;
        EXPECT_NE(said.find(error), std::string::npos)
            << owner.Name() << ": " << Describe(history) << ": no line names " << error << "\n"
            << said;
    }
    owner.End();
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
                                  "SumEntry"};

INSTANTIATE_TEST_SUITE_P(EveryOwner, OwedHistories, ::testing::Range(0, 5),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(ownerNames[info.param]);
                         });

}  // namespace
