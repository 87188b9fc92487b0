// The codecs against an independent implementation, Erlang/OTP's asn1 application, in aligned
// PER and in BER: committed vectors that Erlang encoded, and random values that must be
// valid, round-trip here and, where Erlang is installed, agree with it in both directions.
#include "asn1/DataLengthCounter.h"
#include "asn1/InvalidTracer.h"
#include "asn1/tests/ErlangTerm.h"
#include "asn1/tests/PerTestSupport.h"
#include "asn1/tests/RecordValue.h"
#include "asn1/tests/schema/LGCP.h"
#include "asn1/tests/schema/TEST.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <unistd.h>

using namespace PerTest;

namespace {

// The codec's name, as the script and the vector files name it.
class CrossCheck : public testing::TestWithParam<const char*> {
protected:
    std::string codec() const { return GetParam(); }
    ASN1::CoderEnv::EncodingRules rule() const {
        return codec() == "ber" ? ASN1::CoderEnv::ber : ASN1::CoderEnv::per;
    }
};

std::string compact(std::string hex) {
    hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
    return hex;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Codec, CrossCheck, testing::Values("per", "ber"));

TEST_P(CrossCheck, CommittedVectorsEncodeAndDecodeAlike) {
    std::vector<ErlangVector> vectors = erlangVectors(codec());
    ASSERT_GE(vectors.size(), 30u);
    for (const ErlangVector& v : vectors) {
        SCOPED_TRACE(v.term.substr(0, 100));
        ASSERT_TRUE(v.value);
        EXPECT_EQ(v.hex, compact(encode(*v.value, rule())));
        std::unique_ptr<ASN1::AbstractData> back(ASN1::AbstractData::create(v.type->info));
        ASSERT_TRUE(decode(v.hex, *back, rule()));
        EXPECT_EQ(0, back->compare(*v.value));
    }
}

// Random values of six types are strictly valid with nothing to trace, round-trip in the
// codec and in value notation, and BER's length counter agrees with the encoder. Then Erlang
// encodes each one's term to our octets and decodes our octets to the term.
TEST_P(CrossCheck, RandomValuesRoundTripAndAgreeWithErlang) {
    const char* const types[][2] = {{"TEST", "Pair"},          {"TEST", "PairExt"},
                                    {"TEST", "PairOfPickExt"}, {"TEST", "Record"},
                                    {"TEST", "Extended"},      {"LGCP", "Message"}};
    std::mt19937 random(20231011);
    std::ostringstream cases;
    const int count = 600;
    for (int i = 0; i < count; ++i) {
        const auto& type = types[i % (sizeof types / sizeof *types)];
        auto value = RecordValue::random(SchemaCatalog::find(type[0], type[1])->info, random);
        SCOPED_TRACE(toErlangTerm(*value));
        EXPECT_TRUE(value->isStrictlyValid());
        std::ostringstream trace;
        EXPECT_TRUE(ASN1::trace_invalid(trace, "", *value));
        EXPECT_EQ("", trace.str());
        ASSERT_TRUE(roundTrips(*value, rule()));
        EXPECT_TRUE(roundTrips(*value, ASN1::CoderEnv::avn));
        const std::string hex = encode(*value, rule());
        if (rule() == ASN1::CoderEnv::ber) {
            EXPECT_EQ(octets(hex).size(), ASN1::getObjectLength(*value, value->getTag()));
        }
        cases << type[0] << ' ' << type[1] << ' ' << compact(hex) << ' ' << toErlangTerm(*value)
              << ".\n";
    }

    if (!installed("escript")) GTEST_SKIP() << "escript (Debian erlang-base) is not installed";
    char path[] = "/tmp/asn1-cases-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(path) << cases.str();
    const std::string dir = HALVOX_ASN1_TEST_DIR;
    std::string output;
    int status = run("escript " + dir + "/erlang/vectors.escript check " + codec() + " " + dir +
                         "/schema < " + path + " 2>&1",
                     output);
    unlink(path);
    EXPECT_EQ(0, status);
    EXPECT_NE(std::string::npos, output.find("checked " + std::to_string(count) + ", 0 mismatches"))
        << output.substr(0, 4000);
}
