#include "asn1/OpenData.h"

#include "asn1/Compare.h"
#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

namespace ASN1 {

HALVOX_CONSTINIT const TypeInfo OpenData::theInfo = {&OpenData::create, 0};

OpenData::OpenData(const OpenData& other)
    : AbstractData(other),
      data_(other.data_ ? other.data_->clone() : nullptr),
      buf_(other.buf_ ? new std::vector<char>(*other.buf_) : nullptr) {}

OpenData& OpenData::operator=(const OpenData& other) {
    OpenData copy(other);
    swap(copy);
    return *this;
}

void OpenData::swap(OpenData& other) {
    data_.swap(other.data_);
    buf_.swap(other.buf_);
}

int OpenData::do_compare(const AbstractData& other) const {
    const OpenData* that = dynamic_cast<const OpenData*>(&other);
    if (!that) return mismatch(other);
    if (data_ && that->data_) return data_->compare(*that->data_);
    if (buf_ && that->buf_)
        return lexicographic_compare_bytes(buf_->data(), buf_->data() + buf_->size(),
                                           that->buf_->data(),
                                           that->buf_->data() + that->buf_->size());
    if (isEmpty() && that->isEmpty()) return 0;
    return data_ ? 1 : -1;
}

AbstractData* OpenData::do_clone() const { return new OpenData(*this); }
bool OpenData::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool OpenData::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

AbstractData* TypeConstrainedOpenData::create(const void* info) {
    const void* contained = static_cast<const TypeConstrainedOpenDataInfo*>(info)->containedInfo;
    std::unique_ptr<AbstractData> data(AbstractData::create(contained));
    AbstractData* result = new TypeConstrainedOpenData(data.get(), info);
    data.release();
    return result;
}

AbstractData* TypeConstrainedOpenData::do_clone() const {
    return new TypeConstrainedOpenData(*this);
}

bool TypeConstrainedOpenData::do_accept(Visitor& visitor) { return visitor.visit(*this); }

}  // namespace ASN1
