// Input no encoder wrote: every prefix and single-bit flip of the cross-check vectors in
// aligned PER and BER, the same values' value notation with characters replaced, and random
// octets and random text. Each is decoded or refused, under the sanitizers; what decodes
// prints, and what then encodes decodes back to the same value.
#include "asn1/tests/ErlangTerm.h"
#include "asn1/tests/PerTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace PerTest;

namespace {

struct Sample {
    const void* info;
    std::vector<char> octets;
};

// The committed vectors of one codec; for value notation, the text of the PER vectors'
// values.
std::vector<Sample> samples(ASN1::CoderEnv::EncodingRules rule) {
    std::vector<Sample> samples;
    for (const ErlangVector& v : erlangVectors(rule == ASN1::CoderEnv::ber ? "ber" : "per")) {
        EXPECT_TRUE(v.value) << v.term;
        if (!v.value) continue;
        const std::string text = v.value->asValueNotation();
        samples.push_back({v.type->info, rule == ASN1::CoderEnv::avn
                                             ? std::vector<char>(text.begin(), text.end())
                                             : octets(v.hex)});
    }
    return samples;
}

class Mutation : public testing::TestWithParam<ASN1::CoderEnv::EncodingRules> {};

INSTANTIATE_TEST_SUITE_P(Rule, Mutation,
                         testing::Values(ASN1::CoderEnv::per, ASN1::CoderEnv::ber,
                                         ASN1::CoderEnv::avn));

// Positions worth changing: the first 256 and the last 16 (the long samples are long only
// because of one string).
bool worthChanging(std::size_t at, std::size_t size) { return at < 256 || at + 16 >= size; }

}  // namespace

TEST_P(Mutation, EveryPrefixAndChangeIsDecodedOrRefused) {
    ASN1::CoderEnv::EncodingRules rule = GetParam();
    std::vector<Sample> inputs = samples(rule);
    ASSERT_GE(inputs.size(), 30u);
    // Text changes by character, to characters that mean something to the reader.
    const char replacements[] = "{},:'\" \nHB0-9ax";
    unsigned decoded = 0, refused = 0;
    for (const Sample& sample : inputs) {
        const std::vector<char>& input = sample.octets;
        for (std::size_t n = 0; n < input.size(); ++n) {
            if (!worthChanging(n, input.size())) continue;
            std::vector<char> prefix(input.begin(), input.begin() + n);
            (exercise(sample.info, prefix, rule) ? decoded : refused)++;
        }
        for (std::size_t at = 0; at < input.size(); ++at) {
            if (!worthChanging(at, input.size())) continue;
            std::vector<char> changed = input;
            if (rule != ASN1::CoderEnv::avn) {
                for (unsigned bit = 0; bit < 8; ++bit) {
                    changed[at] = char(input[at] ^ (0x80 >> bit));
                    (exercise(sample.info, changed, rule) ? decoded : refused)++;
                }
                continue;
            }
            for (const char* c = replacements; *c; ++c) {
                changed[at] = *c;
                (exercise(sample.info, changed, rule) ? decoded : refused)++;
            }
        }
    }
    EXPECT_GT(decoded, 0u);
    EXPECT_GT(refused, 0u);
}

TEST_P(Mutation, RandomInputIsDecodedOrRefused) {
    ASN1::CoderEnv::EncodingRules rule = GetParam();
    std::mt19937 random(4711);
    auto uniform = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    unsigned decoded = 0;
    if (rule != ASN1::CoderEnv::avn) {
        const char* const names[][2] = {
            {"TEST", "Record"}, {"TEST", "Extended"}, {"TEST", "PairExt"}, {"LGCP", "Message"}};
        for (int i = 0; i < 20000; ++i) {
            std::vector<char> input(uniform(49));
            for (char& octet : input) octet = char(uniform(256));
            const char* const* name = names[i % 4];
            decoded += exercise(SchemaCatalog::find(name[0], name[1])->info, input, rule);
        }
    }
    // The samples with a few octets, or for text pieces of value notation, put in, taken
    // out or put in place of others.
    std::vector<Sample> inputs = samples(rule);
    inputs.erase(std::remove_if(inputs.begin(), inputs.end(),
                                [](const Sample& s) { return s.octets.size() > 600; }),
                 inputs.end());
    const std::string pieces[] = {"{",  "}",  ",",  " ",    ":",    "'",       "\"",
                                  "'H", "'B", "0",  "-1",   "ff",   "NULL",    "TRUE",
                                  "x",  "}}", "{{", "data", "slot", "command", "4294967296"};
    for (int i = 0; i < 5000; ++i) {
        const Sample& sample = inputs[uniform(inputs.size())];
        std::vector<char> edited = sample.octets;
        for (std::size_t edits = 1 + uniform(4); edits > 0 && !edited.empty(); --edits) {
            std::size_t at = uniform(edited.size());
            std::string piece = rule == ASN1::CoderEnv::avn
                                    ? pieces[uniform(sizeof pieces / sizeof *pieces)]
                                    : std::string(1 + uniform(2), char(uniform(256)));
            switch (uniform(3)) {
                case 0:
                    edited.erase(edited.begin() + at);
                    break;
                case 1:
                    edited[at] = piece[0];
                    break;
                default:
                    edited.insert(edited.begin() + at, piece.begin(), piece.end());
            }
        }
        decoded += exercise(sample.info, edited, rule);
    }
    EXPECT_GT(decoded, 0u);
}
