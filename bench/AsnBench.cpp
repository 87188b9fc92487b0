// Aligned PER encode and decode of controller-link messages of the size the daemon
// handles: a slot-create command (an RTP session: a SEQUENCE of thirteen fields, most of
// them present, with CHOICEs, strings and a list) and the small ones (ping, success).
#include "asn1/CoderEnv.h"
#include "asn1/tests/schema/LGCP.h"

#include <benchmark/benchmark.h>
#include <iterator>
#include <vector>

namespace {

LGCP::Message slotCreate() {
    LGCP::Message message;
    message.set_seq(1234);
    message.set_slot(17);
    LGCP::CreateRtpParams& create = message.set_pdu().select_command().select_create().select_rtp();
    LGCP::RtpParams& rtp = create.set_codecRTP();
    rtp.set_payload(LGCP::Payload::pcma);
    rtp.set_dhost().set_iaddr("192.168.10.20");
    rtp.set_dhost().set_port(40000);
    LGCP::HostAddress source;
    source.set_iaddr("192.168.10.1");
    source.set_port(40002);
    rtp.set_shost(source);
    rtp.set_dname("gateway-17");
    LGCP::RtpJitter jitter;
    jitter.set_min(20);
    jitter.set_max(120);
    rtp.set_jitter(jitter);
    rtp.set_pfactor(2);
    rtp.set_vad(true);
    rtp.set_echo(LGCP::RtpEcho::on);
    rtp.set_ssrc(0xDEADBEEF);
    rtp.set_ttl(64);
    rtp.set_qos_dscp(46);
    create.set_txPayload(LGCP::Payload::pcma);
    create.set_rxPayload(LGCP::Payload::pcma);
    return message;
}

LGCP::Message ping() {
    LGCP::Message message;
    message.set_seq(7);
    message.set_pdu().select_command().select_ping();
    return message;
}

// As the controller link does it: a fresh environment and vector for every message.
bool encodeMessage(const LGCP::Message& message, std::vector<char>& out) {
    ASN1::CoderEnv env;
    env.set_encodingRule(ASN1::CoderEnv::per);
    out.clear();
    out.reserve(200);
    return ASN1::encode(message, &env, std::back_inserter(out));
}

bool decodeMessage(const std::vector<char>& input, LGCP::Message& message) {
    ASN1::CoderEnv env;
    env.set_encodingRule(ASN1::CoderEnv::per);
    return ASN1::decode(input.data(), input.data() + input.size(), &env, message, true);
}

void encode(benchmark::State& state, const LGCP::Message& message) {
    std::vector<char> out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(encodeMessage(message, out));
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["octets"] = double(out.size());
}

void decode(benchmark::State& state, const LGCP::Message& message) {
    std::vector<char> input;
    encodeMessage(message, input);
    for (auto _ : state) {
        LGCP::Message received;
        benchmark::DoNotOptimize(decodeMessage(input, received));
    }
}

void roundTrip(benchmark::State& state, const LGCP::Message& message) {
    std::vector<char> out;
    for (auto _ : state) {
        encodeMessage(message, out);
        LGCP::Message received;
        benchmark::DoNotOptimize(decodeMessage(out, received));
    }
}

void BM_SlotCreateEncode(benchmark::State& state) { encode(state, slotCreate()); }
void BM_SlotCreateDecode(benchmark::State& state) { decode(state, slotCreate()); }
void BM_SlotCreateRoundTrip(benchmark::State& state) { roundTrip(state, slotCreate()); }
void BM_PingEncode(benchmark::State& state) { encode(state, ping()); }
void BM_PingDecode(benchmark::State& state) { decode(state, ping()); }

BENCHMARK(BM_SlotCreateEncode);
BENCHMARK(BM_SlotCreateDecode);
BENCHMARK(BM_SlotCreateRoundTrip);
BENCHMARK(BM_PingEncode);
BENCHMARK(BM_PingDecode);

}  // namespace
