// Declarative reader of one configuration sub-section: the caller declares
// the keys it wants (required or optional) with the variables they fill; the
// reader checks presence, uniqueness and syntax and reports every problem as
// one line on its stream, under the caller's prefix.
#pragma once

#include "config/IniFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

namespace IniFile {

// One row of an enumeration's name table; a table ends with a row whose name is null.
template <class T>
struct Symbol {
    const char* name;
    T value;
};

namespace Private {

// One declared key.
class KeyValue {
public:
    KeyValue() = default;
    KeyValue(const KeyValue&) = delete;
    KeyValue& operator=(const KeyValue&) = delete;
    virtual ~KeyValue() = default;
    virtual const char* name() const = 0;

    bool parse(const std::string& value) {
        parsed = do_parse(value.c_str());
        return parsed;
    }

    // The outcome of the last parse; callers may read it after the reader ran.
    bool parsed = false;

protected:
    // Writes the target only when the text is valid.
    virtual bool do_parse(const char* text) = 0;
};

// Converts a whole text with strtol() in base 0 into an enumeration; the text
// must be non-empty, consumed entirely and within the enumeration's range.
template <class T>
bool ParseNumber(const char* text, T& target) {
    using Underlying = std::underlying_type_t<T>;
    if (!*text) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 0);
    if (*end || errno == ERANGE) return false;
    if (v < long(std::numeric_limits<Underlying>::min()) ||
        (v > 0 && static_cast<unsigned long>(v) > std::numeric_limits<Underlying>::max()))
        return false;
    target = static_cast<T>(v);
    return true;
}

// Enumerations: a name from the table (first match wins), else a number.
template <class T>
class TKeyValue : public KeyValue {
    static_assert(std::is_enum<T>::value, "keys are bool, std::string or an enumeration");

public:
    TKeyValue(T* target, const char* name, const Symbol<T>* symbols)
        : target(target), keyName(name), symbols(symbols) {}
    const char* name() const override { return keyName; }

protected:
    bool do_parse(const char* text) override {
        for (const Symbol<T>* row = symbols; row && row->name; ++row) {
            if (std::strcmp(row->name, text) == 0) {
                *target = row->value;
                return true;
            }
        }
        return ParseNumber(text, *target);
    }

private:
    T* target;
    const char* keyName;
    const Symbol<T>* symbols;
};

template <>
class TKeyValue<bool> : public KeyValue {
public:
    TKeyValue(bool* target, const char* name, const Symbol<bool>*)
        : target(target), keyName(name) {}
    const char* name() const override { return keyName; }

protected:
    bool do_parse(const char* text) override;

private:
    bool* target;
    const char* keyName;
};

template <>
class TKeyValue<std::string> : public KeyValue {
public:
    TKeyValue(std::string* target, const char* name, const Symbol<std::string>*)
        : target(target), keyName(name) {}
    const char* name() const override { return keyName; }

protected:
    bool do_parse(const char* text) override {
        *target = text;
        return true;
    }

private:
    std::string* target;
    const char* keyName;
};

}  // namespace Private

class Reader {
public:
    // The declared keys of one kind, in declaration order; owns them.
    class Field {
    public:
        // name is not copied: pass a string literal.
        template <class T>
        bool& add(T* target, const char* name, const Symbol<T>* symbols = nullptr) {
            return add(new Private::TKeyValue<T>(target, name, symbols));
        }
        bool& add(Private::KeyValue* entry) {
            entries.emplace_back(entry);
            return entry->parsed;
        }

    private:
        friend class Reader;
        std::vector<std::unique_ptr<Private::KeyValue>> entries;
    };

    Reader(const std::string& prefix, std::ostream& out) : prefix(prefix), out(out) {}
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // True when every required key stood exactly once with a valid value.
    bool operator()(SubSection& sub) { return parse(sub); }
    bool parse(SubSection& sub);

    Field required;
    Field optional;

private:
    bool parseRequired(SubSection& sub, Private::KeyValue& entry);
    void parseOptional(SubSection& sub, Private::KeyValue& entry);
    std::ostream& start(const char* kind, const Private::KeyValue& entry);

    std::string prefix;
    std::ostream& out;
};

}  // namespace IniFile
