// The statistics tree that the HTML generator reads: objects that answer
// values, sub-objects and iterations over lists of objects by name.
#pragma once

#include <memory>
#include <string>

namespace Stat {

// A value, or the lack of one; it tests true exactly when it exists.
class Value {
public:
    Value() = default;
    explicit Value(const std::string& text) : exists(true), text(text) {}

    explicit operator bool() const { return exists; }
    const std::string& GetText() const { return text; }

private:
    bool exists = false;
    std::string text;
};

class IteratorBase;

class Object {
public:
    virtual ~Object() = default;
    // The value called name; one that does not exist when there is none.
    virtual Value statistics_value(std::string const& name) const = 0;
    // The sub-object called name, not handed over; null when there is none.
    virtual Object* statistics_object(std::string const& name) const = 0;
    // An iteration over the list called name; empty when there is none.
    virtual std::unique_ptr<IteratorBase> statistics_iterator(std::string const& name) const = 0;
};

class IteratorBase {
public:
    virtual ~IteratorBase() = default;
    // True while the iteration stands on an element.
    virtual bool valid() = 0;
    // Moves to the next element; false when none follows.
    virtual bool next() = 0;
    // The element it stands on, not handed over.
    virtual Object* object() = 0;
};

}  // namespace Stat
