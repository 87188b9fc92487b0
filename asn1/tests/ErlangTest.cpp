// Cross-check of the aligned PER and BER codecs with an independent implementation,
// Erlang/OTP's asn1 application: committed vectors that Erlang encoded, and, where Erlang
// is installed, a live comparison of random values in both directions.
#include "asn1/tests/ErlangTerm.h"
#include "asn1/tests/PerTestSupport.h"
#include "asn1/tests/RandomValue.h"
#include "asn1/tests/SchemaTypes.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <unistd.h>

using namespace PerTest;

namespace {

const std::string testDir = HALVOX_ASN1_TEST_DIR;

struct Vector {
    std::string module, type, hex, term;
};

// The codec's name, as the script and the vector file name it.
class Erlang : public testing::TestWithParam<const char*> {
protected:
    std::string codec() const { return GetParam(); }
    ASN1::CoderEnv::EncodingRules rule() const {
        return codec() == "ber" ? ASN1::CoderEnv::ber : ASN1::CoderEnv::per;
    }
};

std::vector<Vector> committedVectors(const std::string& codec) {
    std::vector<Vector> vectors;
    std::ifstream in(testDir + "/erlang/" + codec + "_vectors.txt");
    Vector v;
    while (in >> v.module >> v.type >> v.hex && std::getline(in, v.term)) vectors.push_back(v);
    return vectors;
}

std::unique_ptr<ASN1::AbstractData> make(const std::string& module, const std::string& type) {
    const SchemaType* found = findType(module, type);
    return std::unique_ptr<ASN1::AbstractData>(found ? ASN1::AbstractData::create(found->info)
                                                     : nullptr);
}

std::string compact(std::string hex) {
    hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
    return hex;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Codec, Erlang, testing::Values("per", "ber"));

TEST_P(Erlang, CommittedVectorsEncodeAndDecodeAlike) {
    std::vector<Vector> vectors = committedVectors(codec());
    ASSERT_GE(vectors.size(), 30u);
    for (const Vector& v : vectors) {
        SCOPED_TRACE(v.module + " " + v.type + v.term.substr(0, 100));
        std::unique_ptr<ASN1::AbstractData> value = make(v.module, v.type);
        ASSERT_TRUE(value);
        ASSERT_TRUE(fromErlangTerm(v.term, *value));
        EXPECT_EQ(v.hex, compact(encode(*value, rule())));
        std::unique_ptr<ASN1::AbstractData> back = make(v.module, v.type);
        ASSERT_TRUE(decode(v.hex, *back, rule()));
        EXPECT_EQ(0, back->compare(*value));
    }
}

TEST_P(Erlang, RandomValuesAgreeWithALiveErlang) {
    if (!installed("escript")) GTEST_SKIP() << "escript (Debian erlang-base) is not installed";
    const std::pair<const char*, const char*> types[] = {
        {"TEST", "Pair"},   {"TEST", "PairExt"},  {"TEST", "PairOfPickExt"},
        {"TEST", "Record"}, {"TEST", "Extended"}, {"LGCP", "Message"}};
    std::mt19937 random(20231011);
    char casesPath[] = "/tmp/asn1-cases-XXXXXX";
    int fd = mkstemp(casesPath);
    ASSERT_GE(fd, 0);
    close(fd);
    const int count = 600;
    {
        std::ofstream cases(casesPath);
        for (int i = 0; i < count; ++i) {
            const auto& type = types[i % (sizeof types / sizeof *types)];
            std::unique_ptr<ASN1::AbstractData> value = make(type.first, type.second);
            randomize(*value, random);
            std::string hex = encode(*value, rule());
            ASSERT_NE("FAIL", hex) << toErlangTerm(*value);
            std::unique_ptr<ASN1::AbstractData> back = make(type.first, type.second);
            ASSERT_TRUE(decode(hex, *back, rule())) << toErlangTerm(*value);
            ASSERT_EQ(0, back->compare(*value)) << toErlangTerm(*value);
            cases << type.first << ' ' << type.second << ' ' << compact(hex) << ' '
                  << toErlangTerm(*value) << ".\n";
        }
    }
    std::string command = "escript " + testDir + "/erlang/vectors.escript check " + codec() + " " +
                          testDir + "/schema < " + casesPath + " 2>&1";
    std::string output;
    int status = run(command, output);
    unlink(casesPath);
    EXPECT_EQ(0, status);
    EXPECT_NE(std::string::npos, output.find("checked " + std::to_string(count) + ", 0 mismatches"))
        << output.substr(0, 4000);
}
