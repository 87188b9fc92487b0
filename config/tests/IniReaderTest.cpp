#include "config/IniReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

enum class AddressType : int { Ipv4 = 1, Name = 2, Other = 7 };

const IniFile::Symbol<AddressType> addressTypes[] = {
    {"ipv4", AddressType::Ipv4},
    {"name", AddressType::Name},
    {"ipv4", AddressType::Other},  // never reached: the first match wins
    {nullptr, AddressType::Ipv4},
};

// Parses text and returns its n-th sub-section of section s (the file lives in the fixture).
class IniReaderTest : public ::testing::Test {
protected:
    IniFile::SubSection& load(const std::string& text, const std::string& s = "s", int n = 0) {
        std::istringstream in(text);
        in >> file;
        auto it = file[s]->begin();
        while (n--) ++it;
        return *it;
    }

    IniFile::File file;
    std::ostringstream out;
};

TEST_F(IniReaderTest, BoolWordsAreExact) {
    IniFile::SubSection& sub = load(
        "[s]\nt1 = true\nt2 = yes\nt3 = enabled\nt4 = enable\nt5 = 1\n"
        "f1 = false\nf2 = no\nf3 = disabled\nf4 = disable\nf5 = 0\n"
        "on = on\ncap = Yes\n");
    const char* names[] = {"t1", "t2", "t3", "t4", "t5", "f1", "f2", "f3", "f4", "f5"};
    bool values[10] = {false, false, false, false, false, true, true, true, true, true};
    bool on = false, cap = true;
    IniFile::Reader reader("traces: ", out);
    for (int i = 0; i < 10; ++i) reader.required.add(&values[i], names[i]);
    bool& onParsed = reader.optional.add(&on, "on");
    bool& capParsed = reader.optional.add(&cap, "cap");
    EXPECT_TRUE(reader(sub));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(values[i], i < 5) << names[i];
    EXPECT_FALSE(onParsed || capParsed);
    EXPECT_FALSE(on);
    EXPECT_TRUE(cap);
    EXPECT_EQ(
        out.str(),
        "traces: optional key \"on\" has invalid value=\"on\", line 12. Key will be ignored.\n"
        "traces: optional key \"cap\" has invalid value=\"Yes\", line 13. Key will be ignored.\n");
}

// A required key missing, repeated or invalid ends the read before the optional keys.
TEST_F(IniReaderTest, RequiredKeyProblemsStopTheReadAndNameTheirLines) {
    const struct {
        std::string text;
        const char* report;
    } cases[] = {
        {"# c\n\n[x]\n" + std::string(8, '\n') + "[s]\nflag = yes\nopt = 1\n",
         "p: required key \"host\" not present, line 12\n"},
        {"[s]\nhost = a\nopt = 1\nhost = b\n",
         "p: required key \"host\" is duplicated!\np:  first occurence at 2 line.\n"
         "p:  second occurence at 4 line.\n"},
        {"[s]\nhost = 1\nhost = 2\n\nhost = 3\n",
         "p: required key \"host\" specified more than once: 2 3 5 lines\n"},
        {"[s]\nhost = a\nflag = maybe\nopt = 1\n",
         "p: required key \"flag\" has invalid value=\"maybe\", line 3\n"},
    };
    for (const auto& c : cases) {
        IniFile::File file;
        std::istringstream in(c.text);
        in >> file;
        std::string host = "default", opt = "unset";
        bool flag = true;
        std::ostringstream report;
        IniFile::Reader reader("p: ", report);
        reader.required.add(&host, "host");
        reader.required.add(&flag, "flag");
        bool& optParsed = reader.optional.add(&opt, "opt");
        EXPECT_FALSE(reader(*file["s"]->begin())) << c.text;
        EXPECT_EQ(c.report, report.str());
        EXPECT_TRUE(flag);
        EXPECT_EQ("unset", opt);
        EXPECT_FALSE(optParsed);
    }
}

TEST_F(IniReaderTest, OptionalDuplicatesAreIgnoredWithTheirLines) {
    IniFile::SubSection& sub = load("[s]\nx = 1\nx = 0\ny = a\ny = b\ny = c\n");
    bool x = false;
    std::string y = "keep";
    IniFile::Reader reader("traces: ", out);
    bool& xp = reader.optional.add(&x, "x");
    bool& yp = reader.optional.add(&y, "y");
    EXPECT_TRUE(reader(sub));
    EXPECT_FALSE(x);
    EXPECT_EQ(y, "keep");
    EXPECT_FALSE(xp);
    EXPECT_FALSE(yp);
    EXPECT_EQ(out.str(),
              "traces: optional key \"x\" is duplicated!\n"
              "traces:  first occurence at 2 line.\n"
              "traces:  second occurence at 3 line. Both keys will be ignored.\n"
              "traces: optional key \"y\" specified more than once: 4 5 6 lines. All keys will be "
              "ignored.\n");
}

TEST_F(IniReaderTest, EnumerationByNameOrWholeNumber) {
    IniFile::SubSection& sub =
        load("[s]\nn = ipv4\nhex = 0x10\nneg = -3\nbad = 12abc\nempty =\nbig = 99999999999\n");
    AddressType n{}, hex{}, neg{}, bad = AddressType::Other, empty = AddressType::Other,
                                   big = AddressType::Other;
    IniFile::Reader reader("snmpagent: ", out);
    reader.required.add(&n, "n", addressTypes);
    reader.required.add(&hex, "hex", addressTypes);
    reader.required.add(&neg, "neg", addressTypes);
    reader.optional.add(&bad, "bad", addressTypes);
    reader.optional.add(&empty, "empty", addressTypes);
    reader.optional.add(&big, "big", addressTypes);
    EXPECT_TRUE(reader(sub));
    EXPECT_EQ(n, AddressType::Ipv4);
    EXPECT_EQ(int(hex), 16);
    EXPECT_EQ(int(neg), -3);
    EXPECT_EQ(bad, AddressType::Other);
    EXPECT_EQ(empty, AddressType::Other);
    EXPECT_EQ(big, AddressType::Other);
    const std::string report = out.str();
    EXPECT_EQ(3, std::count(report.begin(), report.end(), '\n')) << report;
}

TEST_F(IniReaderTest, EnumerationWithoutTableTakesNumbersOnly) {
    enum class Narrow : unsigned char {};
    IniFile::SubSection& sub = load("[s]\na = 255\nb = 256\nc = -1\nd = ipv4\n");
    Narrow a{}, b{}, c{}, d{};
    IniFile::Reader reader("p: ", out);
    bool& pa = reader.optional.add<Narrow>(&a, "a", nullptr);
    bool& pb = reader.optional.add<Narrow>(&b, "b", nullptr);
    bool& pc = reader.optional.add<Narrow>(&c, "c", nullptr);
    bool& pd = reader.optional.add<Narrow>(&d, "d", nullptr);
    EXPECT_TRUE(reader(sub));
    EXPECT_TRUE(pa);
    EXPECT_EQ(int(a), 255);
    EXPECT_FALSE(pb);
    EXPECT_FALSE(pc);
    EXPECT_FALSE(pd);
}

TEST_F(IniReaderTest, SameNameDeclaredTwiceAsTextAndEnumeration) {
    // The agent link reads "name" both as text and as an address type.
    IniFile::SubSection& sub = load("[snmpagent]\nhost = 10.1.1.1\nname = name\n", "snmpagent");
    std::string host, name;
    AddressType type = AddressType::Other;
    bool absent = true;
    IniFile::Reader reader("snmpagent: ", out);
    reader.required.add(&host, "host");
    reader.required.add(&name, "name");
    reader.required.add(&type, "name", addressTypes);
    bool& absentParsed = reader.optional.add(&absent, "absent");
    EXPECT_TRUE(reader(sub));
    EXPECT_EQ(name, "name");
    EXPECT_EQ(type, AddressType::Name);
    EXPECT_FALSE(absentParsed);
    EXPECT_TRUE(absent) << "a missing optional key keeps its default";
    EXPECT_EQ(out.str(), "");
}

TEST_F(IniReaderTest, RerunAfterFixReportsTheNextProblem) {
    IniFile::SubSection& sub = load("[s]\nb = x\n");
    std::string a, b;
    IniFile::Reader reader("p: ", out);
    reader.required.add(&a, "a");
    reader.required.add(&b, "b");
    EXPECT_FALSE(reader(sub));
    sub.NewSubKey("a", "1", 9);
    sub.NewSubKey("b", "y", 10);
    EXPECT_FALSE(reader(sub));
    EXPECT_EQ(out.str(),
              "p: required key \"a\" not present, line 1\n"
              "p: required key \"b\" is duplicated!\n"
              "p:  first occurence at 2 line.\n"
              "p:  second occurence at 10 line.\n");
}

}  // namespace
