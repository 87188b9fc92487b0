// Fixed-width text table drawn with '|', '+' and '-', for status dumps:
//     os << table << ext::delimeter;
//     os << table << ext::beginrow << "name" << ext::nextrow << 42 << ext::nextrow;
// Each cell is centred in its column and cut to its width; a row left
// unfinished at the end of the statement is filled with empty cells.
#pragma once

#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace ext {

class Table {
public:
    class Sentry;

    template <class... Widths>
    explicit Table(Widths... w) : widths{std::int32_t(w)...} {
        static_assert(sizeof...(Widths) <= 7, "add further columns with add()");
    }

    void add(int width) { widths.push_back(width); }
    // Prints one cell; a cell beyond the last column is ignored.
    void row(std::ostream& os, const std::string& text);
    // Ends a started row with empty cells.
    void finalize(std::ostream& os);
    // Ends a started row, then prints a rule line.
    void delimeter(std::ostream& os);
    // Ends a started row, then prints a line of empty cells.
    void gap(std::ostream& os);
    // Starts the next row at the first column.
    void resetrow() {
        column = 0;
        inRow = false;
    }

private:
    void line(std::ostream& os, char corner, char fill);
    int width(unsigned index) const { return widths[index] > 0 ? widths[index] : 0; }

    std::vector<std::int32_t> widths;
    unsigned column = 0;
    bool inRow = false;
};

// Collects the text of one cell; lives for one output statement.
class Table::Sentry {
public:
    Sentry(std::ostream& os, Table& table) : os(os), table(table) {}
    Sentry(const Sentry&) = delete;
    Sentry& operator=(const Sentry&) = delete;
    ~Sentry() { table.finalize(os); }

    // Cell text is formatted by a fresh stream: the target's flags do not apply.
    template <class T>
    const Sentry& put(const T& value) const {
        cell << value;
        return *this;
    }
    void nextrow() const;
    void beginrow() const { table.resetrow(); }
    void delimeter() const { table.delimeter(os); }

private:
    std::ostream& os;
    Table& table;
    mutable std::ostringstream cell;
};

inline Table::Sentry operator<<(std::ostream& os, Table& table) { return Table::Sentry(os, table); }

template <class T>
const Table::Sentry& operator<<(const Table::Sentry& sentry, const T& value) {
    return sentry.put(value);
}

inline const Table::Sentry& operator<<(const Table::Sentry& sentry,
                                       const Table::Sentry& (*manipulator)(const Table::Sentry&)) {
    return manipulator(sentry);
}

// Ends the current cell.
const Table::Sentry& nextrow(const Table::Sentry& sentry);
// Starts a new row.
const Table::Sentry& beginrow(const Table::Sentry& sentry);
// Prints a rule line.
const Table::Sentry& delimeter(const Table::Sentry& sentry);

}  // namespace ext
