#include "config/IniReader.h"

namespace IniFile {

namespace Private {

bool TKeyValue<bool>::do_parse(const char* text) {
    static const Symbol<bool> words[] = {
        {"true", true},    {"false", false},    {"yes", true},    {"no", false},
        {"enabled", true}, {"disabled", false}, {"enable", true}, {"disable", false},
        {"1", true},       {"0", false},        {nullptr, false},
    };
    for (const Symbol<bool>* row = words; row->name; ++row) {
        if (std::strcmp(row->name, text) == 0) {
            *target = row->value;
            return true;
        }
    }
    return false;
}

}  // namespace Private

namespace {

// Writes " L1 L2 ..." for every occurrence.
void putLines(std::ostream& out, const Key& key) {
    for (const SubKey& sub : key) out << ' ' << sub.GetLineNo();
}

}  // namespace

std::ostream& Reader::start(const char* kind, const Private::KeyValue& entry) {
    return out << prefix << kind << " key \"" << entry.name() << '"';
}

bool Reader::parseRequired(SubSection& sub, Private::KeyValue& entry) {
    Key& key = *sub[entry.name()];
    switch (key.GetCount()) {
        case 0:
            start("required", entry) << " not present, line " << sub.GetLineNo() << std::endl;
            return false;
        case 1: {
            SubKey& value = *key.GetFirstSubKey();
            if (entry.parse(value.GetStr())) return true;
            start("required", entry) << " has invalid value=\"" << value.GetStr() << "\","
                                     << " line " << value.GetLineNo() << std::endl;
            return false;
        }
        case 2:
            start("required", entry) << " is duplicated!" << std::endl;
            out << prefix << " first occurence at " << key.GetFirstSubKey()->GetLineNo() << " line."
                << std::endl;
            out << prefix << " second occurence at " << key.GetLastSubKey()->GetLineNo() << " line."
                << std::endl;
            return false;
        default:
            start("required", entry) << " specified more than once:";
            putLines(out, key);
            out << " lines" << std::endl;
            return false;
    }
}

void Reader::parseOptional(SubSection& sub, Private::KeyValue& entry) {
    entry.parsed = false;
    Key& key = *sub[entry.name()];
    switch (key.GetCount()) {
        case 0:
            return;
        case 1: {
            SubKey& value = *key.GetFirstSubKey();
            if (!entry.parse(value.GetStr()))
                start("optional", entry)
                    << " has invalid value=\"" << value.GetStr() << "\","
                    << " line " << value.GetLineNo() << ". Key will be ignored." << std::endl;
            return;
        }
        case 2:
            start("optional", entry) << " is duplicated!" << std::endl;
            out << prefix << " first occurence at " << key.GetFirstSubKey()->GetLineNo() << " line."
                << std::endl;
            out << prefix << " second occurence at " << key.GetLastSubKey()->GetLineNo()
                << " line. Both keys will be ignored." << std::endl;
            return;
        default:
            start("optional", entry) << " specified more than once:";
            putLines(out, key);
            out << " lines."
                << " All keys will be ignored." << std::endl;
            return;
    }
}

bool Reader::parse(SubSection& sub) {
    for (auto& entry : required.entries)
        if (!parseRequired(sub, *entry)) return false;
    for (auto& entry : optional.entries) parseOptional(sub, *entry);
    return true;
}

}  // namespace IniFile
