// The slot event relay: each raw detector event against the signals it
// gives, as a service bound beside Slots sees them, in value notation on one
// line.
#include "control/CtrlSrvServer.h"
#include "slots/Slot.h"
#include "slots/Slots.h"
#include "tests/support/StreamCapture.h"

#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace {

struct Recorder : CtrlSrv::Service {
    void OnConnect() override {}
    void OnDisconnect() override {}
    bool OnCommand(const LGCP::Command&) override { return false; }
    void OnSignal(const LGCP::Signal& signal) override {
        std::ostringstream text;
        text << signal;
        std::istringstream words(text.str());
        if (!seen.empty()) seen += " /";
        for (std::string word; words >> word;) seen += (seen.empty() ? "" : " ") + word;
    }
    std::string seen;
};

struct Probe : Slot {
    const char* GetName() const override { return "probe"; }
};

using Event = std::function<void(Slot&)>;

// Without a transport the server drops what it would send, with a line on
// std::cerr that the capture keeps out of the output.
struct SlotEvents : ::testing::Test {
    SlotEvents() {
        server.Bind(&Slots::instance());
        server.Bind(&recorder);
    }
    ~SlotEvents() override {
        server.Unbind(&Slots::instance());
        server.Unbind(&recorder);
    }
    // The signals one event gives, or the first line it logs when none.
    std::string Relay(const Event& event) {
        TestSupport::StreamCapture errors(std::cerr);
        recorder.seen.clear();
        event(probe);
        if (!recorder.seen.empty()) return recorder.seen;
        const std::string text = errors.str();
        return text.substr(0, text.find('\n'));
    }

    CtrlSrv::Server server;
    Recorder recorder;
    Probe probe;
};

Event Tone(std::int32_t code) {
    return [code](Slot& s) { s.processTonecEvent({code, 9}); };
}

TEST_F(SlotEvents, EachEventAndItsSignals) {
    const char* const bad = "bad DTMF code, ignored.";
    const dsproc_flags_event selcalOnly{0, 1u << 31}, vadRx{1u << 29, 3u << 29},
        all{3u << 30, 7u << 29};
    const dsproc_bss_event half{0.5f}, huge{3e38f};
    const dsproc_tone_event tone{1000, 1};
    const Hardware::DSProcVADEvent rxOnly{3, -1}, rxSilent{0, -1}, neither{-1, -1};
    const rtp_event packetDetect{1, 7, 300}, other{2, 7, 300};
    const struct {
        Event event;
        const char* signals;
    } table[] = {
        {Tone(17), "tonec : { timestamp 9, event ced : NULL }"},
        {Tone(18), "tonec : { timestamp 9, event cng : NULL }"},
        {Tone(127), "tonec : { timestamp 9, event dtmf : 127 }"},
        {Tone(128), bad},
        {Tone(0x0500), "tonec : { timestamp 9, event iva : code : 5 }"},
        {Tone(0x1400), "tonec : { timestamp 9, event iva : code : 20 }"},
        {Tone(0x1500), "tonec : { timestamp 9, event iva : ringoff : NULL }"},
        {Tone(0x1600), bad},
        {Tone(-0x0500), bad},
        {[&](Slot& s) { s.processVADEvent(rxOnly); }, "vad : { vad-rx TRUE }"},
        {[&](Slot& s) { s.processVADEvent(rxSilent); }, "vad : { vad-rx FALSE }"},
        {[&](Slot& s) { s.processVADEvent(neither); }, "bad VAD event, ignored."},
        {[](Slot& s) { s.processSDEvent({0}); }, "sd : { sd-rx FALSE }"},
        {[](Slot& s) { s.processSDEvent({-1}); }, "bad SD event, ignored."},
        {[&](Slot& s) { s.processFlagsEvent(&selcalOnly); }, "selcal : { in-progress FALSE }"},
        {[&](Slot& s) { s.processFlagsEvent(&vadRx); }, "vad : { vad-rx TRUE, vad-tx FALSE }"},
        {[&](Slot& s) { s.processFlagsEvent(&all); },
         "vad : { vad-rx FALSE, vad-tx TRUE } / selcal : { in-progress TRUE }"},
        {[&](Slot& s) { s.processBSSEvent(&half); }, "bss : { score \"0.500000\" }"},
        {[&](Slot& s) { s.processBSSEvent(&huge); },
         "bss : { score \"3000000005497755757778039942811\" }"},
        {[&](Slot& s) { s.processToneFltEvent(&tone); },
         "tonec : { timestamp 0, event tone-presence : { freq 1000, presence TRUE } }"},
        {[](Slot& s) { s.processToneGenEvent(); },
         "tonec : { timestamp 0, event dtmfDone : NULL }"},
        {[&](Slot& s) { s.processRtpEvent(packetDetect); }, "rtp : pd : { value 7, timeout 300 }"},
        {[&](Slot& s) { s.processRtpEvent(other); }, ""},
    };
    for (std::size_t i = 0; i < sizeof table / sizeof *table; ++i)
        EXPECT_EQ(table[i].signals, Relay(table[i].event)) << "row " << i;
}

}  // namespace
