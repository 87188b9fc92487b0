// Names by which the layers of a protocol stack are found and printed.
#pragma once

#include <iosfwd>
#include <string>

class Protocol_name {
public:
    virtual ~Protocol_name() = default;
    virtual int kind() const = 0;
    virtual const char* name() const = 0;
    virtual bool compare(const Protocol_name& other) const = 0;

    bool compatible(const Protocol_name& other) const { return kind() == other.kind(); }
    void out(std::ostream& os) const;
};

std::ostream& operator<<(std::ostream& os, const Protocol_name& n);

// The name of a layer that has none; every null name equals every other.
class Protocol_name_null : public Protocol_name {
public:
    int kind() const override { return 0; }
    const char* name() const override { return "(no name)"; }
    bool compare(const Protocol_name& other) const override { return compatible(other); }
};

class Protocol_name_str : public Protocol_name {
public:
    // A null text names nothing: "(no name)".
    explicit Protocol_name_str(const char* text) : text(text ? text : "(no name)") {}

    int kind() const override { return 1; }
    const char* name() const override { return text.c_str(); }
    bool compare(const Protocol_name& other) const override;

private:
    std::string text;
};
