// Aligned PER encode and decode of the controller link's own messages, with the real
// generated schema, done the way the link does them: a fresh environment and a fresh
// output vector for every message sent, a fresh message for every one received. Each
// benchmark reports the octets of its message and the heap allocations one operation makes.
#include "asn1/CoderEnv.h"
#include "schema/LGCP.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <iterator>
#include <new>
#include <vector>

namespace {

unsigned long allocations = 0;

}  // namespace

// Every heap allocation of the process passes here, so a benchmark can count its own. Kept
// out of line: inlined, the compiler would pair a `new` it sees with the free below.
__attribute__((noinline)) void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

void fillFlags(TERM::RadioFlags& flags) {
    flags.set_prio(3);
    flags.set_ptt(true);
    flags.set_bss(true);
    flags.set_vad_rx(false);
    flags.set_vad_tx(true);
    flags.set_sql(true);
    flags.set_sh(false);
    flags.set_pwr(true);
    flags.set_rv(false);
    flags.set_resv(false);
    flags.set_selcall(2);
    flags.set_li(300);
}

// The create command of an RTP radio slot with every field the schema allows.
LGCP::Message rtpCreate() {
    LGCP::Message message;
    message.set_seq(1234);
    message.set_slot(17);
    LGCP::CreateRtpParams& create = message.set_pdu().select_command().select_create().select_rtp();
    TERM::RtpParams& rtp = create.set_codecRTP();
    rtp.set_payload(TERM::Payload::ptG711_Alaw);
    rtp.set_dhost().set_iaddr("192.168.100.200");
    rtp.set_dhost().set_port(40000);
    rtp.set_shost().set_iaddr("192.168.100.1");
    rtp.set_shost().set_port(40002);
    rtp.set_dname("gateway-17.radio-site-north");
    rtp.set_jitter().set_start(20);
    rtp.set_jitter().set_max(120);
    rtp.set_pfactor(2);
    rtp.set_crate(8000);
    rtp.set_vad(true);
    rtp.set_echo().set_suppressor(true);
    rtp.set_echo().set_canceller(true);
    TERM::RtpRadioRequest& radio = rtp.set_radio();
    TERM::VarnRadioStatus& status = radio.set_status().select_varn();
    fillFlags(status.set_flags());
    status.set_freq().set_channel(12);
    status.set_freq().set_frequency("118.350");
    status.set_remote().set_no(4);
    status.set_remote().set_ch(9);
    status.set_squelshe(TERM::RadioSquelshe::on);
    status.set_rte(TERM::RadioRTE::a1b);
    status.set_standby_state_channel(TERM::RadioStandby::active);
    status.set_standby_group(7);
    status.set_standby_state_receiver(TERM::RadioStandby::standby);
    TERM::VarnRadioModifier& modifier = radio.set_request().select_varn();
    modifier.set_addr().set_session_addr("192.168.100.200");
    modifier.set_addr().set_session_ssrc(0xCAFEF00D);
    TERM::RadioCommandGWSetSelCall& selcall = modifier.set_params().select_gw_set_selcall();
    fillFlags(selcall.set_flags());
    selcall.set_ip("192.168.100.7");
    selcall.set_ssrc(0x12345678);
    selcall.set_cid("AB12");
    radio.set_rx_delay(40);
    radio.set_tx_delay(60);
    radio.set_bss_enable(true);
    radio.set_ng_enable(false);
    radio.set_selcal_delay(250);
    TERM::RtpE2M& e2m = rtp.set_rtp_e2m();
    e2m.set_slot(17);
    e2m.set_channel(3);
    TERM::RtpExtDescription& description = e2m.set_mode().select_only_rtp();
    description.set_fd(9);
    description.set_pid(4242);
    rtp.set_ssrc(0xDEADBEEF);
    rtp.set_ttl(64);
    rtp.set_qos_dscp(TERM::IpQoSDSCP::ef);
    create.set_txPayload(TERM::Payload::ptG711_Alaw);
    create.set_rxPayload(TERM::Payload::ptG711_Alaw);
    return message;
}

LGCP::Message ping() {
    LGCP::Message message;
    message.set_seq(7);
    message.set_pdu().select_command().select_ping();
    return message;
}

// A detected DTMF digit as the tone receiver reports it.
LGCP::Message tonecSignal() {
    LGCP::Message message;
    message.set_slot(17);
    LGCP::TonecEvent& event = message.set_pdu().select_signal().select_tonec();
    event.set_timestamp(123456);
    event.set_event().select_dtmf(5);
    return message;
}

// A conference of 100 parties: one mixer output fed by 100 inputs.
LGCP::Message mixerCreate() {
    LGCP::Message message;
    message.set_seq(99);
    message.set_slot(300);
    LGCP::MixerOutParams& mixer = message.set_pdu().select_command().select_create().select_mixerOut();
    mixer.set_unit(1);
    mixer.set_channel().select_tdm(64);
    for (int i = 0; i < 100; ++i) {
        LGCP::MixerInput input;
        if (i % 2)
            input.set_channel().select_rtp(i);
        else
            input.set_channel().select_tdm(i);
        input.set_gain(i % 16 - 8);
        mixer.set_inputs().push_back(input);
    }
    return message;
}

// As the controller link sends one.
bool encodeMessage(const LGCP::Message& message, std::vector<char>& out) {
    ASN1::CoderEnv env;
    env.set_encodingRule(ASN1::CoderEnv::per);
    out.reserve(200);
    return ASN1::encode(message, &env, std::back_inserter(out));
}

// As the controller link receives one.
bool decodeMessage(const std::vector<char>& input) {
    ASN1::CoderEnv env;
    env.set_encodingRule(ASN1::CoderEnv::per);
    LGCP::Message message;
    return ASN1::decode(input.data(), input.data() + input.size(), &env, message, true);
}

enum class Operation { encode, decode, pair };

void run(benchmark::State& state, const LGCP::Message& message, Operation operation) {
    std::vector<char> encoded;
    if (!encodeMessage(message, encoded) || !decodeMessage(encoded)) {
        state.SkipWithError("the message does not encode and decode");
        return;
    }
    unsigned long before = allocations;
    for (auto _ : state) {
        bool ok = true;
        if (operation != Operation::decode) {
            std::vector<char> out;
            ok = encodeMessage(message, out);
            benchmark::DoNotOptimize(out.data());
        }
        if (operation != Operation::encode) ok = decodeMessage(encoded) && ok;
        benchmark::DoNotOptimize(ok);
    }
    state.counters["octets"] = double(encoded.size());
    state.counters["allocs/op"] = double(allocations - before) / double(state.iterations());
}

void BM_RtpCreatePair(benchmark::State& state) { run(state, rtpCreate(), Operation::pair); }
void BM_RtpCreateEncode(benchmark::State& state) { run(state, rtpCreate(), Operation::encode); }
void BM_RtpCreateDecode(benchmark::State& state) { run(state, rtpCreate(), Operation::decode); }
void BM_PingPair(benchmark::State& state) { run(state, ping(), Operation::pair); }
void BM_TonecSignalPair(benchmark::State& state) { run(state, tonecSignal(), Operation::pair); }
void BM_Mixer100Pair(benchmark::State& state) { run(state, mixerCreate(), Operation::pair); }

BENCHMARK(BM_RtpCreatePair);
BENCHMARK(BM_RtpCreateEncode);
BENCHMARK(BM_RtpCreateDecode);
BENCHMARK(BM_PingPair);
BENCHMARK(BM_TonecSignalPair);
BENCHMARK(BM_Mixer100Pair);

}  // namespace
