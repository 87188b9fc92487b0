#include "config/Table.h"

namespace ext {

void Table::row(std::ostream& os, const std::string& text) {
    if (column >= widths.size()) return;
    inRow = true;
    const int w = width(column);
    const std::string cut = text.substr(0, std::size_t(w));
    const int spare = w - int(cut.size());
    os << '|' << std::string(std::size_t(spare / 2), ' ') << cut
       << std::string(std::size_t((spare + 1) / 2), ' ');
    if (++column == widths.size()) {
        os << '|' << std::endl;
        inRow = false;
    }
}

void Table::finalize(std::ostream& os) {
    while (inRow) row(os, std::string());
}

void Table::line(std::ostream& os, char corner, char fill) {
    finalize(os);
    if (widths.empty()) return;
    for (unsigned i = 0; i < widths.size(); ++i)
        os << corner << std::string(std::size_t(width(i)), fill);
    os << corner << std::endl;
}

void Table::delimeter(std::ostream& os) { line(os, '+', '-'); }

void Table::gap(std::ostream& os) { line(os, '|', ' '); }

void Table::Sentry::nextrow() const {
    table.row(os, cell.str());
    cell.str(std::string());
}

const Table::Sentry& nextrow(const Table::Sentry& sentry) {
    sentry.nextrow();
    return sentry;
}

const Table::Sentry& beginrow(const Table::Sentry& sentry) {
    sentry.beginrow();
    return sentry;
}

const Table::Sentry& delimeter(const Table::Sentry& sentry) {
    sentry.delimeter();
    return sentry;
}

}  // namespace ext
