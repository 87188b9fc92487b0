#include "config/IniFile.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

std::string dumpOf(const std::string& text) {
    std::istringstream in(text);
    IniFile::File file;
    in >> file;
    std::ostringstream out;
    file.Dump(out);
    return out.str();
}

std::string header(int sections) {
    return "dumping IniFile::File\nmFileName=\"\"\n\nmSectionCount=" + std::to_string(sections) +
           "\n";
}
std::string section(const std::string& name, int subs) {
    return "dumping IniFile::Section\nmName=\"" + name +
           "\"\nmSubSectionCount=" + std::to_string(subs) + "\n";
}
std::string sub(int line, int keys) {
    return "dumping IniFile::SubSection\nmLineNo=\"" + std::to_string(line) +
           "\"\nmKeyCount=" + std::to_string(keys) + "\n";
}
std::string key(const std::string& name, int values) {
    return "dumping IniFile::Key\nmName=\"" + name + "\"\nmSubKeyCount=" + std::to_string(values) +
           "\n";
}
std::string value(const std::string& text, int line) {
    return "dumping IniFile::SubKey\nmValue=\"" + text + "\"\nmLineNo=" + std::to_string(line) +
           "\n";
}

TEST(IniParser, FilesAgainstTheirDump) {
    const struct {
        const char* text;
        std::string dump;
    } cases[] = {
        {"", header(0)},
        {"# only a comment\n   \n\t# another [x]\n", header(0)},
        // The last line needs no newline; a key without '=' is no key.
        {"[traces]\nsignalling.hdlc = yes", header(1) + section("traces", 1) + sub(1, 1) +
                                                key("signalling.hdlc", 1) + value("yes", 2)},
        {"[s]\nname =", header(1) + section("s", 1) + sub(1, 1) + key("name", 1) + value("", 2)},
        {"[a]\nkey without equals\n[next]\nk=v\n", header(2) + section("a", 1) + sub(1, 0) +
                                                       section("next", 1) + sub(3, 1) +
                                                       key("k", 1) + value("v", 4)},
        // Header names are taken as they stand.
        {"[ a ]\n[]\n[x#y]\n", header(3) + section(" a ", 1) + sub(1, 0) + section("", 1) +
                                   sub(2, 0) + section("x#y", 1) + sub(3, 0)},
        // Sections, repeated sections and keys in file order, CR LF like LF.
        {"# configuration\r\n[traces]\r\nsignalling.hdlc = yes\r\n  monitoring.internal=no\r\n\r\n"
         "[snmpagent] # first agent\nhost = 10.0.0.1\n[snmpagent]\nhost = 10.0.0.2\nname = b\r",
         header(2) + section("traces", 1) + sub(2, 2) + key("signalling.hdlc", 1) +
             value("yes", 3) + key("monitoring.internal", 1) + value("no", 4) +
             section("snmpagent", 2) + sub(6, 1) + key("host", 1) + value("10.0.0.1", 7) +
             sub(8, 2) + key("host", 1) + value("10.0.0.2", 9) + key("name", 1) +
             value("b", 10)},
        // A repeated key keeps every value with its line.
        {"[a]\nk = 1\nother = x\n\nk = 2\n# c\n\nk = 3\n",
         header(1) + section("a", 1) + sub(1, 2) + key("k", 3) + value("1", 2) + value("2", 5) +
             value("3", 8) + key("other", 1) + value("x", 3)},
        // A comment starts only after a blank.
        {"[c]\na = value # note\nb = value#note\nc = # note\nd =   two  words  \ne f  = x\n"
         "#g = hidden\n   # h = hidden\ni\t= tab\t\n",
         header(1) + section("c", 1) + sub(1, 6) + key("a", 1) + value("value", 2) + key("b", 1) +
             value("value#note", 3) + key("c", 1) + value("", 4) + key("d", 1) +
             value("two  words", 5) + key("e f", 1) + value("x", 6) + key("i\t", 1) +
             value("tab\t", 9)},
        // Keys before any header or under a broken one are dropped.
        {"orphan = 1\n[a]\nk = 1\n[b\nlost = 2\n[c]\nkept = 3\n",
         header(2) + section("a", 1) + sub(2, 1) + key("k", 1) + value("1", 3) + section("c", 1) +
             sub(6, 1) + key("kept", 1) + value("3", 7)},
    };
    for (const auto& c : cases) EXPECT_EQ(dumpOf(c.text), c.dump) << c.text;
}

TEST(IniFile, OpenFromPathAndReopen) {
    TestSupport::TempDir dir;
    const std::string path = dir / "halvox.conf";
    std::ofstream(path) << "[traces]\nsignalling.events = on\n";
    IniFile::File file;
    EXPECT_TRUE(file.Open(path.c_str()));
    EXPECT_EQ((*(*file["traces"]->begin())["signalling.events"]).GetStr(), "on");
    std::ostringstream dump;
    file.Dump(dump);
    EXPECT_EQ(dump.str().rfind("dumping IniFile::File\nmFileName=\"" + path + "\"\n", 0), 0u)
        << dump.str();

    std::ofstream(path) << "[other]\n";
    EXPECT_TRUE(file.Open(path.c_str()));
    EXPECT_EQ(file.GetCount(), 1);
    EXPECT_EQ(file.begin()->GetName(), "other");
    ::unlink(path.c_str());
    EXPECT_FALSE(file.Open(path.c_str()));
    EXPECT_FALSE(file.IsOpened());
    EXPECT_EQ(file.GetCount(), 0);
}

// Start-up reads the file before it serves: a path that opens but cannot be
// read, or whose open or read would wait, leaves the model empty and the
// daemon starting.
TEST(IniFile, WhatCannotBeReadLeavesTheModelEmptyWithoutWaiting) {
    TestSupport::TempDir dir;
    const std::string fifo = dir / "server.conf";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    const struct {
        std::string path;
        bool opened;
    } cases[] = {
        {dir.path(), false},       // opens; its first read fails with EISDIR
        {fifo, false},             // with no writer, a blocking open never returns
        {"/proc/self/mem", true},  // a regular file whose read fails with EIO
    };
    ::alarm(5);  // ends a run that waits for ever
    for (const auto& c : cases) {
        IniFile::File file;
        EXPECT_EQ(c.opened, file.Open(c.path)) << c.path;
        EXPECT_EQ(0, file.GetCount()) << c.path;
    }
    ::alarm(0);
}

// The last line is stored without its newline only at the real end: a read
// that fails after "10.0.0.1" may have cut "10.0.0.123", so that line goes,
// and the input that failed so is named in the log. The reader reads a pipe
// whose writer stays (an empty non-blocking pipe fails with EAGAIN) or goes.
TEST(IniFile, AReadThatFailsDropsTheLineItCut) {
    const std::string text = "[snmpagent]\nname = site-a\nhost = 10.0.0.1";
    const std::string failure =
        "IniFile: reading the pipe failed: Resource temporarily unavailable; only the lines "
        "before the failure are used\n";
    for (bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "the read fails" : "the input ends");
        int ends[2];
        ASSERT_EQ(0, ::pipe2(ends, O_NONBLOCK | O_CLOEXEC));
        Fd reader(ends[0]), writer(ends[1]);
        ASSERT_EQ(ssize_t(text.size()), ::write(writer.lowlevel_fd(), text.data(), text.size()));
        if (!fails) writer.close();
        TestSupport::StreamCapture log(std::cerr);
        IniFile::File file;
        EXPECT_TRUE(file.Read(reader, "the pipe"));
        ASSERT_EQ(file["snmpagent"]->GetCount(), 1);
        IniFile::SubSection& agent = *file["snmpagent"]->begin();
        EXPECT_EQ(agent["name"]->GetStr(), "site-a");
        std::vector<std::string> hosts;
        for (const IniFile::SubKey& host : *agent["host"]) hosts.push_back(host.GetStr());
        EXPECT_EQ(hosts, fails ? std::vector<std::string>{} : std::vector<std::string>{"10.0.0.1"});
        EXPECT_EQ(log.str(), fails ? failure : "");
    }
    TestSupport::StreamCapture log(std::cerr);
    IniFile::File file;
    EXPECT_TRUE(file.Open("/proc/self/mem"));  // its first read fails with EIO
    EXPECT_EQ(log.str(),
              "IniFile: reading /proc/self/mem failed: Input/output error; only the lines "
              "before the failure are used\n");
}

TEST(IniFile, AccessMakesEmptyEntriesThatAreFreedWithTheFile) {
    // Run under the leak checker: nothing made by operator[] may outlive the file.
    IniFile::File file;
    EXPECT_FALSE(file.Open("/nonexistent/halvox.conf"));
    (*file["traces"]).CheckEmpty();
    IniFile::Key& k = *(*file["traces"]->begin())["absent"];
    EXPECT_EQ(file.GetCount(), 1);
    EXPECT_EQ(file["traces"]->begin()->GetLineNo(), -1);
    EXPECT_EQ(k.GetCount(), 0);
    EXPECT_EQ(k.GetFirstSubKey()->GetLineNo(), -1) << "made only when asked for";
    EXPECT_EQ(k.GetCount(), 1);
    k.NewSubKey("second", 9);
    EXPECT_EQ(k.GetLastSubKey()->GetStr(), "second");
    file.Close();
    EXPECT_EQ(file.GetCount(), 0);
    (*file["again"]).CheckEmpty();
}

TEST(IniSubKey, TypedGettersFallBackOnBadOrOutOfRangeText) {
    IniFile::SubKey v("", 1);
    auto asBool = [&](const char* text, bool def) { return v.GetStr() = text, v.GetBool(def); };
    auto asInt = [&](const char* text) { return v.GetStr() = text, v.GetInt(-1); };
    auto asFloat = [&](const char* text) { return v.GetStr() = text, v.GetFloat(1.5f); };
    EXPECT_TRUE(asBool("on", false));
    EXPECT_FALSE(asBool("Yes", false));
    EXPECT_FALSE(asBool("off", true));
    EXPECT_EQ(asInt(" 42abc"), 42);
    EXPECT_EQ(asInt("abc"), -1);
    EXPECT_EQ(asInt("99999999999"), -1);
    EXPECT_EQ(asInt("-2147483648"), -2147483647 - 1);
    EXPECT_FLOAT_EQ(asFloat("2.5x"), 2.5f);
    EXPECT_FLOAT_EQ(asFloat("x"), 1.5f);
    EXPECT_FLOAT_EQ(asFloat("1e99"), 1.5f);
    v.SetBool(true);
    EXPECT_EQ(v.GetStr(), "yes");
    v.SetInt(-17);
    EXPECT_EQ(v.GetStr(), "-17");
    v.SetFloat(0.25f);
    EXPECT_EQ(v.GetStr(), "0.25");
}

TEST(IniParser, ArbitraryBytesNeverBreakTheModel) {
    // Every prefix of a tricky text, and bytes from a fixed seed, parse without
    // fault (the sanitizers watch) and keep counts consistent with the chains.
    const std::string text = "x\n[a]\n k = v # c\n[b\nq\n[\xff]\r\nk==\t#\n=\n[c] # [d]\nz = 1 #";
    unsigned seed = 12345;
    std::vector<std::string> inputs;
    for (std::size_t n = 0; n <= text.size(); ++n) inputs.push_back(text.substr(0, n));
    for (int i = 0; i < 200; ++i) {
        std::string random;
        for (int j = 0; j < 64; ++j) {
            seed = seed * 1103515245u + 12345u;
            random += "[]=# \t\r\nab\xff"[(seed >> 16) % 12];
        }
        inputs.push_back(random);
    }
    for (const std::string& input : inputs) {
        std::istringstream in(input);
        IniFile::File file;
        in >> file;
        int sections = 0;
        for (const IniFile::Section& s : file) {
            ++sections;
            int subs = 0;
            for (const IniFile::SubSection& sub : s) {
                ++subs;
                int keys = 0;
                for (const IniFile::Key& k : sub) {
                    ++keys;
                    int values = 0;
                    for (const IniFile::SubKey& v : k) {
                        ++values;
                        EXPECT_GT(v.GetLineNo(), 0);
                    }
                    EXPECT_EQ(values, k.GetCount());
                }
                EXPECT_EQ(keys, sub.GetCount());
            }
            EXPECT_EQ(subs, s.GetCount());
        }
        EXPECT_EQ(sections, file.GetCount());
    }
}

}  // namespace
