// Status reports of protocol layers: how an initialisation or deactivation
// ended, passed between layers by reference-counted handle. A status never
// changes once made, so its handles share it.
#pragma once

#include "runtime/Smart_pointer.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>

class Protocol_info;

class Internal_protocol_status {
public:
    explicit Internal_protocol_status(const Protocol_info* reporter) : layer(reporter) {}
    Internal_protocol_status(const Internal_protocol_status&) = delete;
    Internal_protocol_status& operator=(const Internal_protocol_status&) = delete;
    virtual ~Internal_protocol_status() = default;

    virtual bool success() const = 0;
    virtual std::string message() const = 0;
    virtual void out(std::ostream& os) const = 0;

    // The layer that made the report.
    const Protocol_info* reporter() const { return layer; }

private:
    friend class Smart_pointer<Internal_protocol_status>;

    const Protocol_info* layer;
    std::uint32_t ref_count = 0;
};

class Protocol_status_success : public Internal_protocol_status {
public:
    Protocol_status_success(const Protocol_info* reporter, std::string text)
        : Internal_protocol_status(reporter), text(std::move(text)) {}

    bool success() const override { return true; }
    std::string message() const override { return text; }
    void out(std::ostream& os) const override;

private:
    std::string text;
};

class Protocol_status_error : public Internal_protocol_status {
public:
    Protocol_status_error(const Protocol_info* reporter, std::string text)
        : Internal_protocol_status(reporter), text(std::move(text)) {}

    bool success() const override { return false; }
    std::string message() const override { return text; }
    void out(std::ostream& os) const override;

private:
    std::string text;
};

// A stack that has no layers to initialise.
class Protocol_initialize_error : public Protocol_status_error {
public:
    explicit Protocol_initialize_error(const Protocol_info* reporter)
        : Protocol_status_error(reporter, "error") {}
};
