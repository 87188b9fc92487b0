#include "config/Profile.h"
#include "config/TraceBlock.h"
#include "config/Version.h"
#include "runtime/tests/FakeClock.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ctime>
#include <sstream>

namespace {

// text has the form of pattern, where 'd' stands for any digit.
bool matches(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (pattern[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                              : text[i] != pattern[i])
            return false;
    return true;
}

TEST(Version, CurrentIsStampedByThisBuild) {
    const Version& v = Version::current;
    const std::string time = v.time();
    ASSERT_TRUE(matches(time, "dddd-dd-dd dd:dd")) << time;
    EXPECT_NE(time, "2023-10-11 16:46");

    // Built in the past, not long ago (the build runs right before its tests).
    std::tm built{};
    ASSERT_TRUE(strptime(v.time(), "%Y-%m-%d %H:%M", &built));
    built.tm_isdst = -1;
    const double age = std::difftime(std::time(nullptr), std::mktime(&built));
    EXPECT_GT(age, -120.0);
    EXPECT_LT(age, 90.0 * 24 * 3600);

    // Without a git tag on the commit the tag is made from the build time.
    const std::string tag = v.tag();
    ASSERT_FALSE(tag.empty());
    if (matches(tag, "Tdddddd-dddd")) {
        EXPECT_EQ(tag, "T" + time.substr(2, 2) + time.substr(5, 2) + time.substr(8, 2) + "-" +
                           time.substr(11, 2) + time.substr(14, 2));
    }
    EXPECT_STRNE(v.builder(), "");
    EXPECT_STRNE(v.target(), "");
    EXPECT_EQ(v.type(), Version::Snapshot);

    std::ostringstream out;
    out << v;
    EXPECT_EQ(out.str(), tag);
}

TEST(Version, TypeNamesAndSuffixesOfUnknownValues) {
    std::ostringstream out;
    out << Version::UnitTest << ' ' << Version::Type(7);
    EXPECT_EQ(out.str(), "unit-test unknown");
    EXPECT_STREQ(version_suffix(Version::UnitTest), "T");
    EXPECT_STREQ(version_suffix(Version::Type(-1)), "U");
}

TEST(Profile, PointsKeepTheirMeasureAndAreDumpedNewestFirst) {
    FakeClock clock(1000);
    std::ostringstream out;
    Profile::Point first("first");
    for (unsigned d : {5u, 2u, 9u}) {
        first.begin();
        clock.advanceUs(d);
        first.end();
    }
    {
        Profile::Point second("second");
        Profile::dump(out);
    }
    Profile::Point third("third");
    Profile::dump(out);
    EXPECT_EQ(out.str(),
              "[second]: min=0 max=0 avg=0 counter=0\n"
              "[first]: min=2 max=9 avg=9 counter=3\n"
              "[third]: min=0 max=0 avg=0 counter=0\n"
              "[first]: min=2 max=9 avg=9 counter=3\n");
}

TEST(TraceBlock, EnterAndLeaveOnlyWhenEnabled) {
    std::ostringstream out;
    {
        Trace::Block off(false, "quiet", out);
        Trace::Block on(true, "scope", out);
        out << "inside\n";
    }
    EXPECT_EQ(out.str(), "Enter scope\ninside\nLeave scope\n");
}

}  // namespace
