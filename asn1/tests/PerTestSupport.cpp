#include "asn1/tests/PerTestSupport.h"

#include "asn1/AbstractData.h"
#include "asn1/CoderEnv.h"
#include "tests/support/StreamCapture.h"

#include <cctype>
#include <cstdio>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <sstream>

namespace PerTest {

std::string hex(const std::vector<char>& octets) {
    std::string text;
    for (char octet : octets) {
        char two[4];
        std::snprintf(two, sizeof two, "%02X", unsigned(static_cast<unsigned char>(octet)));
        if (!text.empty()) text += ' ';
        text += two;
    }
    return text;
}

std::vector<char> octets(const std::string& hex) {
    std::vector<char> result;
    std::string digits;
    for (char c : hex)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        result.push_back(char(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return result;
}

std::string encode(const ASN1::AbstractData& value, ASN1::CoderEnv::EncodingRules rule) {
    ASN1::CoderEnv env;
    env.set_encodingRule(rule);
    std::vector<char> out;
    if (!ASN1::encode(value, &env, std::back_inserter(out))) return "FAIL";
    return hex(out);
}

bool decode(const std::string& hexText, ASN1::AbstractData& value,
            ASN1::CoderEnv::EncodingRules rule) {
    std::vector<char> input = octets(hexText);
    ASN1::CoderEnv env;
    env.set_encodingRule(rule);
    return ASN1::decode(input.data(), input.data() + input.size(), &env, value, true);
}

testing::AssertionResult roundTrips(const ASN1::AbstractData& value,
                                    ASN1::CoderEnv::EncodingRules rule) {
    const std::string octets = encode(value, rule);
    if (octets == "FAIL") return testing::AssertionFailure() << "does not encode: " << value;
    std::unique_ptr<ASN1::AbstractData> back(ASN1::AbstractData::create(value.info()));
    if (!decode(octets, *back, rule))
        return testing::AssertionFailure() << "does not decode: " << octets;
    if (back->compare(value) != 0)
        return testing::AssertionFailure() << "decodes to another value: " << *back;
    const std::string again = encode(*back, rule);
    if (again != octets)
        return testing::AssertionFailure() << "encodes " << octets << ", then " << again;
    return testing::AssertionSuccess();
}

bool exercise(const void* info, const std::vector<char>& input,
              ASN1::CoderEnv::EncodingRules rule) {
    std::unique_ptr<ASN1::AbstractData> value(ASN1::AbstractData::create(info));
    ASN1::CoderEnv env;
    env.set_encodingRule(rule);
    if (!ASN1::decode(input.data(), input.data() + input.size(), &env, *value, true)) return false;
    std::ostringstream text;
    text << *value;
    EXPECT_TRUE(text.good());
    std::vector<char> again;
    if (ASN1::encode(*value, &env, std::back_inserter(again))) {
        std::unique_ptr<ASN1::AbstractData> back(ASN1::AbstractData::create(info));
        EXPECT_TRUE(ASN1::decode(again.data(), again.data() + again.size(), &env, *back, true))
            << hex(input);
        EXPECT_EQ(0, back->compare(*value)) << hex(input);
    }
    return true;
}

std::string print(const ASN1::AbstractData& value) {
    TestSupport::StreamCapture cerr(std::cerr);
    std::ostringstream text;
    text << value;
    EXPECT_TRUE(text.good());
    EXPECT_EQ("", cerr.str());
    return text.str();
}

int run(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    return pclose(pipe);
}

bool installed(const std::string& tool) {
    std::string ignored;
    return run("command -v " + tool + " >/dev/null 2>&1", ignored) == 0;
}

}  // namespace PerTest
