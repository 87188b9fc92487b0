// Open types: a value whose type is fixed only at run time, held as a typed value, as the
// raw octets of its encoding, or both.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/AbstractData.h"

#include <memory>
#include <vector>

namespace ASN1 {

class OpenData : public AbstractData, public detail::Allocator<OpenData> {
public:
    explicit OpenData(const void* info = &theInfo) : AbstractData(info) {}
    // Owns `data` as the typed value.
    explicit OpenData(AbstractData* data, const void* info = &theInfo)
        : AbstractData(info), data_(data) {}
    OpenData(const OpenData& other);
    OpenData& operator=(const OpenData& other);
    static AbstractData* create(const void* info) { return new OpenData(info); }
    OpenData* clone() const { return static_cast<OpenData*>(AbstractData::clone()); }

    bool has_data() const { return data_ != nullptr; }
    AbstractData& get_data() { return *data_; }
    const AbstractData& get_data() const { return *data_; }
    // Takes `data` as the typed value; one held before is deleted.
    void set_data(AbstractData* data) { data_.reset(data); }

    bool has_buf() const { return buf_ != nullptr; }
    std::vector<char>& get_buf() { return *buf_; }
    const std::vector<char>& get_buf() const { return *buf_; }
    // Takes `buf` as the octets; a buffer held before is deleted.
    void grab(std::vector<char>* buf) { buf_.reset(buf); }

    bool isEmpty() const { return !data_ && !buf_; }
    // The typed value is valid; octets not decoded yet count as valid, nothing at all not.
    bool isValid() const { return data_ ? data_->isValid() : buf_ != nullptr; }
    bool isStrictlyValid() const { return data_ ? data_->isStrictlyValid() : buf_ != nullptr; }
    void swap(OpenData& other);

    static const TypeInfo theInfo;

private:
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;

    std::unique_ptr<AbstractData> data_;
    std::unique_ptr<std::vector<char>> buf_;
};

// An open type whose contained type is fixed by its record. Decoders treat it on its own;
// encoders and printers see an OpenData.
class TypeConstrainedOpenData : public OpenData, public detail::Allocator<TypeConstrainedOpenData> {
public:
    TypeConstrainedOpenData(AbstractData* data, const void* info) : OpenData(data, info) {}
    // An initial value of the contained type, wrapped.
    static AbstractData* create(const void* info);

private:
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
};

}  // namespace ASN1
