// In-memory model of the INI configuration file and its parser. Every
// occurrence is kept: a header name used twice gives two sub-sections, a key
// written twice keeps both values with their lines, so readers can report them.
#pragma once

#include "runtime/F_dual_list.h"
#include "runtime/Fd.h"

#include <istream>
#include <map>
#include <ostream>
#include <string>

namespace IniFile {

// Walks one level of the model in file order; the end iterator holds null.
template <class T>
class GenericIterator {
public:
    GenericIterator() : item(nullptr) {}
    GenericIterator(T* p) : item(p) {}
    GenericIterator(const GenericIterator& other) = default;
    GenericIterator& operator=(const GenericIterator& other) = default;

    bool operator!=(const GenericIterator& other) const { return item != other.item; }
    bool operator==(const GenericIterator& other) const { return item == other.item; }
    GenericIterator& operator++() {
        if (item) item = item->get_next();
        return *this;
    }
    GenericIterator operator++(int) {
        GenericIterator before(*this);
        ++*this;
        return before;
    }
    T& operator*() const { return *item; }
    T* operator->() const { return item; }

private:
    T* item;
};

// A chain that owns its elements and deletes them with itself.
template <class T>
class Chain {
public:
    Chain() = default;
    Chain(const Chain&) = delete;
    Chain& operator=(const Chain&) = delete;
    ~Chain() { clear(); }

    T* append(T* item) {
        list.insert_to_tail(item);
        return item;
    }
    void clear() {
        while (T* item = list.remove_from_head()) delete item;
    }
    int count() const { return int(list.count()); }
    T* first() const { return *list.begin(); }
    T* last() const { return *list.last(); }
    GenericIterator<T> begin() const { return GenericIterator<T>(first()); }
    GenericIterator<T> end() const { return GenericIterator<T>(); }

private:
    F_dual_list<T> list;
};

// One 'name = value' line.
class SubKey : public F_dual_list_item<SubKey> {
public:
    SubKey(const std::string& value, int line);

    std::string& GetStr() { return mValue; }
    const std::string& GetStr() const { return mValue; }
    int GetLineNo() const { return mLineNo; }

    bool GetBool(bool def) const;
    void SetBool(bool value);
    int GetInt(int def) const;
    void SetInt(int value);
    float GetFloat(float def) const;
    void SetFloat(float value);

    void Dump(std::ostream& out) const;

private:
    std::string mValue;
    int mLineNo;
};

// Every occurrence of one key name in one sub-section.
class Key : public F_dual_list_item<Key> {
public:
    explicit Key(const std::string& name) : mName(name) {}

    const std::string& GetName() const { return mName; }
    SubKey* NewSubKey(const std::string& value, int line);
    int GetCount() const { return subKeys.count(); }
    // These make sure one occurrence exists (empty, line -1) before answering.
    SubKey* GetFirstSubKey();
    SubKey* GetLastSubKey();
    std::string& GetStr();
    void CheckEmpty();

    GenericIterator<SubKey> begin() const { return subKeys.begin(); }
    GenericIterator<SubKey> end() const { return subKeys.end(); }
    void CleanSubKeys() { subKeys.clear(); }
    void Dump(std::ostream& out) const;

private:
    std::string mName;
    Chain<SubKey> subKeys;
};

// One '[name]' header and the keys under it.
class SubSection : public F_dual_list_item<SubSection> {
public:
    explicit SubSection(int line) : mLineNo(line) {}

    // The key of that name, created empty when absent.
    Key* operator[](const std::string& name);
    Key* NewKey(const std::string& name);
    SubKey* NewSubKey(const std::string& name, const std::string& value, int line);
    int GetLineNo() const { return mLineNo; }
    int GetCount() const { return keys.count(); }

    GenericIterator<Key> begin() const { return keys.begin(); }
    GenericIterator<Key> end() const { return keys.end(); }
    void CleanKeys();
    void Dump(std::ostream& out) const;

private:
    int mLineNo;
    Chain<Key> keys;
    std::map<std::string, Key*> byName;
};

// Every header of one name.
class Section : public F_dual_list_item<Section> {
public:
    explicit Section(const std::string& name) : mName(name) {}

    const std::string& GetName() const { return mName; }
    SubSection* NewSubSection(int line);
    int GetCount() const { return subSections.count(); }
    // Gives a section without headers one empty sub-section (line -1).
    void CheckEmpty();

    GenericIterator<SubSection> begin() const { return subSections.begin(); }
    GenericIterator<SubSection> end() const { return subSections.end(); }
    void CleanSubSections() { subSections.clear(); }
    void Dump(std::ostream& out) const;

private:
    std::string mName;
    Chain<SubSection> subSections;
};

// The whole file. Opening never fails on content: a malformed line is dropped.
class File {
public:
    File() = default;
    explicit File(const std::string& path);
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { Close(); }

    // True when the path is a regular file that could be opened; anything
    // else (a directory, a FIFO, a device) is left unread, and the open never
    // waits. A read that fails ends the input: the whole lines before it are
    // kept, the one it cut is dropped, and the failure is logged.
    bool Open(const std::string& path);
    // Open's reading, on a descriptor already open: to its end or its first
    // failed read, which names the input `name` in the log. True when read.
    bool Read(const Fd& file, const std::string& name);
    // Parses to the stream's end; a stream gone bad ends it without the
    // line it cut.
    void IntOpenStream(std::istream& in);
    void Close();
    void Sync() {}
    bool IsOpened() const { return opened; }

    // The section of that name; an absent one is created without sub-sections.
    Section* operator[](const std::string& name);
    Section* NewSection(const std::string& name);
    SubSection* NewSubSection(const std::string& name, int line);
    int GetCount() const { return sections.count(); }

    GenericIterator<Section> begin() const { return sections.begin(); }
    GenericIterator<Section> end() const { return sections.end(); }
    void Dump(std::ostream& out) const;

private:
    friend std::istream& operator>>(std::istream& in, File& file);

    std::string mFileName;
    bool opened = false;
    Chain<Section> sections;
    std::map<std::string, Section*> byName;
};

std::istream& operator>>(std::istream& in, File& file);

}  // namespace IniFile
