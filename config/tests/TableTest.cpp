#include "config/StreamManip.h"
#include "config/Table.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

namespace {

TEST(Table, CellsAreCutCentredAndRowsFilled) {
    std::ostringstream os;
    ext::Table table(4, 3);
    os << table << ext::delimeter;
    os << table << ext::beginrow << "ab" << ext::nextrow << "xyz12" << ext::nextrow;
    EXPECT_EQ(os.str(), "+----+---+\n| ab |xyz|\n");

    // An odd spare blank goes right; an unfinished row is filled at the end
    // of the statement; text without nextrow is no cell.
    ext::Table three(4, 2, 1);
    os.str("");
    os << three << ext::beginrow << "a" << ext::nextrow;
    os << three << ext::beginrow << "y";
    EXPECT_EQ(os.str(), "| a  |  | |\n");

    // Cells beyond the last column are ignored until the next beginrow.
    ext::Table one(2);
    os.str("");
    os << one << ext::beginrow << "a" << ext::nextrow << "b" << ext::nextrow;
    os << one << "c" << ext::nextrow;
    EXPECT_EQ(os.str(), "|a |\n");
}

TEST(Table, DelimiterAndGap) {
    std::ostringstream os;
    ext::Table none;
    none.delimeter(os);
    none.gap(os);
    EXPECT_EQ(os.str(), "");

    ext::Table table(2, 1);
    table.delimeter(os);
    table.gap(os);
    EXPECT_EQ(os.str(), "+--+-+\n|  | |\n");

    // A started row is ended before the rule.
    os.str("");
    table.resetrow();
    table.row(os, "q");
    table.delimeter(os);
    EXPECT_EQ(os.str(), "|q | |\n+--+-+\n");
}

TEST(Table, NegativeWidthIsAnEmptyColumn) {
    std::ostringstream os;
    ext::Table table(-3);
    table.add(1);
    os << table << ext::delimeter << ext::beginrow << "abc" << ext::nextrow << 7 << ext::nextrow;
    EXPECT_EQ(os.str(), "++-+\n||7|\n");
}

TEST(Table, CellsIgnoreTheTargetStreamFormat) {
    std::ostringstream os;
    os << std::hex << std::setfill('*');
    ext::Table table(6);
    os << table << ext::beginrow << 255 << ext::nextrow;
    EXPECT_EQ(os.str(), "| 255  |\n");
}

TEST(Hex, OctetsAsUnsignedAndNumbersWithWidthThenTheStreamAsItWas) {
    std::ostringstream os;
    os << std::showbase << std::setfill('.');
    const char data[] = {'\x0a', '\xff', '\x00'};
    os << ext::hex(data, 3u) << 10 << ' ' << std::setw(3) << 1;
    EXPECT_EQ(os.str(), "0A FF 00 10 ..1");
    const std::uint8_t octets[] = {0x00, 0x7f, 0x80};
    os.str("");
    os << ext::hex(octets, octets + 3) << '|' << ext::hex(26u, 4u) << ' ' << ext::hex(26u, 0u)
       << ' ' << ext::hex(0xdeadbeefu, 2u) << ' ' << 26;
    EXPECT_EQ(os.str(), "00 7F 80 |0x001A 0x1A 0xDEADBEEF 26");

    std::ostringstream empty;
    const auto flags = empty.flags();
    empty << ext::hex(data, 0u);
    EXPECT_EQ(empty.str(), "");
    EXPECT_EQ(empty.flags(), flags);
}

struct Logged {
    void PutHeader(std::ostream& os) const { os << "obj[" << id << "] "; }
    void PutShortInfo(std::ostream& os) const { os << "#" << id; }
    int id;
};

TEST(Manipulators, HeaderShortInfoQuoted) {
    const Logged obj{7};
    const char* text = "a b";
    std::ostringstream os;
    os << ext::header(&obj) << "up " << ext::shortinfo(&obj) << ' ' << ext::quoted(text) << ' '
       << ext::quoted(42);
    EXPECT_EQ(os.str(), "obj[7] up #7 \"a b\" \"42\"");
}

}  // namespace
