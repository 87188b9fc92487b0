#include "config/IniFile.h"

#include "runtime/Errno.h"
#include "runtime/Fd.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <unistd.h>

namespace IniFile {

SubKey::SubKey(const std::string& value, int line) : mValue(value), mLineNo(line) {}

bool SubKey::GetBool(bool def) const {
    if (mValue == "true" || mValue == "yes" || mValue == "1" || mValue == "on") return true;
    if (mValue == "false" || mValue == "no" || mValue == "0" || mValue == "off") return false;
    return def;
}

void SubKey::SetBool(bool value) { mValue = value ? "yes" : "no"; }

// A leading decimal number, as "%d" would read it; a value without one, or one
// out of the int range, gives def.
int SubKey::GetInt(int def) const {
    const char* text = mValue.c_str();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX) return def;
    return int(v);
}

void SubKey::SetInt(int value) { mValue = std::to_string(value); }

float SubKey::GetFloat(float def) const {
    const char* text = mValue.c_str();
    char* end = nullptr;
    errno = 0;
    float v = std::strtof(text, &end);
    if (end == text || (errno == ERANGE && std::isinf(v))) return def;
    return v;
}

void SubKey::SetFloat(float value) {
    std::ostringstream text;
    text << value;
    mValue = text.str();
}

void SubKey::Dump(std::ostream& out) const {
    out << "dumping IniFile::SubKey\n"
        << "mValue=\"" << mValue << "\"\n"
        << "mLineNo=" << mLineNo << '\n';
}

SubKey* Key::NewSubKey(const std::string& value, int line) {
    return subKeys.append(new SubKey(value, line));
}

void Key::CheckEmpty() {
    if (subKeys.count() == 0) NewSubKey(std::string(), -1);
}

SubKey* Key::GetFirstSubKey() {
    CheckEmpty();
    return subKeys.first();
}

SubKey* Key::GetLastSubKey() {
    CheckEmpty();
    return subKeys.last();
}

std::string& Key::GetStr() { return GetFirstSubKey()->GetStr(); }

void Key::Dump(std::ostream& out) const {
    out << "dumping IniFile::Key\n"
        << "mName=\"" << mName << "\"\n"
        << "mSubKeyCount=" << subKeys.count() << '\n';
    for (const SubKey& sub : *this) sub.Dump(out);
}

Key* SubSection::operator[](const std::string& name) {
    auto found = byName.find(name);
    return found != byName.end() ? found->second : NewKey(name);
}

Key* SubSection::NewKey(const std::string& name) {
    Key* key = keys.append(new Key(name));
    byName[name] = key;
    return key;
}

SubKey* SubSection::NewSubKey(const std::string& name, const std::string& value, int line) {
    return (*this)[name]->NewSubKey(value, line);
}

void SubSection::CleanKeys() {
    byName.clear();
    keys.clear();
}

void SubSection::Dump(std::ostream& out) const {
    out << "dumping IniFile::SubSection\n"
        << "mLineNo=\"" << mLineNo << "\"\n"
        << "mKeyCount=" << keys.count() << '\n';
    for (const Key& key : *this) key.Dump(out);
}

SubSection* Section::NewSubSection(int line) { return subSections.append(new SubSection(line)); }

void Section::CheckEmpty() {
    if (subSections.count() == 0) NewSubSection(-1);
}

void Section::Dump(std::ostream& out) const {
    out << "dumping IniFile::Section\n"
        << "mName=\"" << mName << "\"\n"
        << "mSubSectionCount=" << subSections.count() << '\n';
    for (const SubSection& sub : *this) sub.Dump(out);
}

File::File(const std::string& path) { Open(path); }

namespace {

// The file's descriptor as the parser's input. A read that fails is kept
// apart from the file's end, as a stream buffer reports it: by throwing,
// which the stream turns into its bad state (the parser then drops the line
// the failure cut short).
class ReadBuf : public std::streambuf {
public:
    explicit ReadBuf(int fd) : fd(fd) {}
    // The errno of the read that failed; 0 while none has.
    int error() const { return failed; }

private:
    struct Failure {};

    int_type underflow() override {
        ssize_t got;
        do got = ::read(fd, buffer, sizeof buffer);
        while (got < 0 && errno == EINTR);
        if (got < 0) {
            failed = errno;
            throw Failure{};
        }
        if (got == 0) return traits_type::eof();
        setg(buffer, buffer, buffer + got);
        return traits_type::to_int_type(*gptr());
    }

    int fd;
    int failed = 0;
    char buffer[4096];
};

}  // namespace

bool File::Open(const std::string& path) {
    // Only a regular file is read: a FIFO would hold the start-up in its open
    // or its reads until a writer came.
    Fd file;
    if (file.OpenRegular(path.c_str(), O_RDONLY)) return Read(file, path);
    Close();
    mFileName = path;
    return opened;
}

bool File::Read(const Fd& file, const std::string& name) {
    Close();
    mFileName = name;
    ReadBuf buffer(file.lowlevel_fd());
    std::istream in(&buffer);
    IntOpenStream(in);
    if (buffer.error())
        std::cerr << "IniFile: reading " << name << " failed: " << Errno(buffer.error())
                  << "; only the lines before the failure are used" << std::endl;
    return opened;
}

// Sections made by operator[] before any open are dropped too, so nothing of
// the model outlives Close.
void File::Close() {
    byName.clear();
    sections.clear();
    opened = false;
}

Section* File::operator[](const std::string& name) {
    auto found = byName.find(name);
    return found != byName.end() ? found->second : NewSection(name);
}

Section* File::NewSection(const std::string& name) {
    Section* section = sections.append(new Section(name));
    byName[name] = section;
    return section;
}

SubSection* File::NewSubSection(const std::string& name, int line) {
    return (*this)[name]->NewSubSection(line);
}

void File::Dump(std::ostream& out) const {
    out << "dumping IniFile::File\n"
        << "mFileName=\"" << mFileName << "\"\n"
        << '\n'
        << "mSectionCount=" << sections.count() << '\n';
    for (const Section& section : *this) section.Dump(out);
}

namespace {

// States of the parser, one per position in a line.
enum State {
    BeforeHeader,  // before the first header, or after a broken one: keys dropped
    InHeader,      // after '['
    AfterHeader,   // rest of the header line
    LineStart,
    InKey,
    BeforeValue,  // after '='
    InValue,
};

}  // namespace

void File::IntOpenStream(std::istream& in) {
    opened = true;
    State state = BeforeHeader;
    int line = 1;
    bool comment = false;
    std::string header, key, value;
    int blanks = 0;
    SubSection* current = nullptr;

    auto store = [&] {
        current->NewSubKey(key, value, line);
        key.clear();
        state = LineStart;
    };
    auto flushBlanks = [&](std::string& text) {
        text.append(std::size_t(blanks), ' ');
        blanks = 0;
    };

    // A stream whose read fails goes bad instead of ending: its buffer
    // threw, and the stream caught it.
    for (char c; in.get(c);) {
        if (c == '\r') continue;
        if (comment && c != '\n') continue;
        comment = false;

        switch (state) {
            case BeforeHeader:
                if (c == '#') {
                    comment = true;
                } else if (c == '[') {
                    header.clear();
                    state = InHeader;
                }
                break;
            case InHeader:
                if (c == '\n') {
                    state = BeforeHeader;
                } else if (c == ']') {
                    current = NewSubSection(header, line);
                    state = AfterHeader;
                } else {
                    header += c;
                }
                break;
            case AfterHeader:
                if (c == '\n')
                    state = LineStart;
                else if (c == '#')
                    comment = true;
                break;
            case LineStart:
                if (c == '#') {
                    comment = true;
                } else if (c == '[') {
                    header.clear();
                    state = InHeader;
                } else if (c != '\t' && c != '\n' && c != ' ') {
                    key.assign(1, c);
                    blanks = 0;
                    state = InKey;
                }
                break;
            case InKey:
                if (c == ' ') {
                    ++blanks;
                } else if (c == '=') {
                    value.clear();
                    state = BeforeValue;
                } else if (c == '\n') {
                    key.clear();
                    blanks = 0;
                    state = LineStart;
                } else {
                    flushBlanks(key);
                    key += c;
                }
                break;
            case BeforeValue:
                if (c == '#') {
                    comment = true;
                } else if (c == '\n') {
                    store();
                } else if (c != ' ') {
                    value.assign(1, c);
                    blanks = 0;
                    state = InValue;
                }
                break;
            case InValue:
                if (c == ' ') {
                    ++blanks;
                } else if (c == '#' && blanks) {
                    blanks = 0;
                    comment = true;
                } else if (c == '\n') {
                    store();
                } else {
                    flushBlanks(value);
                    value += c;
                }
                break;
        }
        if (c == '\n') ++line;
    }
    // Only the input's real end stores a line that no newline ended: a read
    // that failed may have cut its value short.
    if (!in.bad() && (state == BeforeValue || state == InValue)) store();
}

std::istream& operator>>(std::istream& in, File& file) {
    file.Close();
    file.mFileName.clear();
    file.IntOpenStream(in);
    return in;
}

}  // namespace IniFile
