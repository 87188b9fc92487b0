// Octets no encoder wrote: every prefix and single-bit flip of the cross-check vectors, and
// random octets. Each is decoded or refused, under the sanitizers; what decodes prints,
// and what then encodes decodes back to the same value.
#include "asn1/tests/PerTestSupport.h"
#include "asn1/tests/SchemaTypes.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

using namespace PerTest;

namespace {

const std::string testDir = HALVOX_ASN1_TEST_DIR;

struct Sample {
    const SchemaType* type;
    std::vector<char> octets;
};

std::vector<Sample> vectorSamples() {
    std::vector<Sample> samples;
    std::ifstream in(testDir + "/erlang/per_vectors.txt");
    std::string module, type, hex, term;
    while (in >> module >> type >> hex && std::getline(in, term))
        samples.push_back({findType(module, type), octets(hex)});
    return samples;
}

}  // namespace

TEST(PerMutation, EveryPrefixAndBitFlipIsDecodedOrRefused) {
    std::vector<Sample> samples = vectorSamples();
    ASSERT_GE(samples.size(), 30u);
    unsigned decoded = 0, refused = 0;
    for (const Sample& sample : samples) {
        ASSERT_NE(nullptr, sample.type);
        for (std::size_t n = 0; n < sample.octets.size(); ++n) {
            std::vector<char> prefix(sample.octets.begin(), sample.octets.begin() + n);
            (exercise(sample.type->info, prefix) ? decoded : refused)++;
        }
        // Flips in the first 256 and the last 16 octets (the long vectors are long only
        // because of one string).
        for (std::size_t bit = 0; bit < sample.octets.size() * 8; ++bit) {
            std::size_t octet = bit / 8;
            if (octet >= 256 && octet + 16 < sample.octets.size()) continue;
            std::vector<char> flipped = sample.octets;
            flipped[octet] ^= char(0x80 >> (bit % 8));
            (exercise(sample.type->info, flipped) ? decoded : refused)++;
        }
    }
    EXPECT_GT(decoded, 0u);
    EXPECT_GT(refused, 0u);
}

TEST(PerMutation, RandomOctetsAreDecodedOrRefused) {
    const char* const names[][2] = {
        {"TEST", "Record"}, {"TEST", "Extended"}, {"TEST", "PairExt"}, {"LGCP", "Message"}};
    std::mt19937 random(4711);
    unsigned decoded = 0;
    for (int i = 0; i < 20000; ++i) {
        std::vector<char> input(std::uniform_int_distribution<int>(0, 48)(random));
        for (char& octet : input) octet = char(std::uniform_int_distribution<int>(0, 255)(random));
        const char* const* name = names[i % 4];
        decoded += exercise(findType(name[0], name[1])->info, input);
    }
    EXPECT_GT(decoded, 0u);
}
