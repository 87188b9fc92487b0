#include "control/TraceCtl.h"
#include "tests/support/StreamCapture.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

TraceCtl Configured(const std::string& text) {
    IniFile::File file;
    std::istringstream in(text);
    file.IntOpenStream(in);
    TraceCtl switches;
    switches.Configure(*file["traces"]);
    return switches;
}

}  // namespace

TEST(TraceCtl, SwitchesStartOffFollowTheirBlockAndALaterBlockResetsAllButEvents) {
    EXPECT_FALSE(traces.signalling.hdlc || traces.signalling.varngw || traces.signalling.events ||
                 traces.monitoring.internal);
    TraceCtl none = Configured("[other]\nsignalling.hdlc = yes\n");
    EXPECT_FALSE(none.signalling.hdlc || none.signalling.events || none.monitoring.internal);

    TraceCtl events = Configured("[traces]\nsignalling.events = enabled\n");
    EXPECT_TRUE(events.signalling.events);
    EXPECT_FALSE(events.signalling.hdlc || events.signalling.varngw || events.monitoring.internal);

    TraceCtl two = Configured(
        "[traces]\nsignalling.hdlc = 1\nsignalling.varngw = true\nsignalling.events = yes\n"
        "monitoring.internal = enable\n[traces]\n");
    EXPECT_FALSE(two.signalling.hdlc || two.signalling.varngw || two.monitoring.internal);
    EXPECT_TRUE(two.signalling.events);
}

TEST(TraceCtl, BadValueIsReportedAndLeavesTheSwitchAsReset) {
    TestSupport::StreamCapture errors(std::cerr);
    TraceCtl bad = Configured(
        "[traces]\nsignalling.events = yes\n[traces]\nsignalling.events = perhaps\n"
        "monitoring.internal = sometimes\n");
    EXPECT_TRUE(bad.signalling.events);
    EXPECT_FALSE(bad.monitoring.internal);
    EXPECT_NE(std::string::npos, errors.str().find("traces: optional key \"signalling.events\""));
    EXPECT_NE(std::string::npos, errors.str().find("traces: optional key \"monitoring.internal\""));
}
