#include "asn1/InvalidTracer.h"

#include "asn1/ASN1.h"

#include <ostream>

namespace ASN1 {

bool InvalidTracer::traceNested(const AbstractData& value, const std::string& path) {
    InvalidTracer nested;
    if (value.accept(nested)) return true;
    text_ << path << nested.text();
    return false;
}

bool InvalidTracer::traceSize(const ConstrainedObject& value, std::size_t count, const char* what) {
    if (value.validSize(count, false)) return true;
    text_ << " This " << what << " has size " << count;
    if (count < std::uint32_t(value.getLowerLimit()))
        text_ << " smaller than its lower bound " << value.getLowerLimit();
    else
        text_ << " greater than its upper bound " << value.getUpperLimit();
    return false;
}

bool InvalidTracer::do_visit(const Null&) { return true; }
bool InvalidTracer::do_visit(const BOOLEAN&) { return true; }

// Not valid means not extensible and out of bounds, compared as the type holds its numbers.
bool InvalidTracer::do_visit(const INTEGER& value) {
    if (value.isValid()) return true;
    text_ << " The INTEGER value " << value.getNumber();
    if (value.getNumber() < value.getLowerLimit())
        text_ << " is smaller than lower bound " << value.getLowerLimit();
    else
        text_ << " is greater than upper bound " << value.getUpperLimit();
    return false;
}

bool InvalidTracer::do_visit(const ENUMERATED& value) {
    if (value.isValid()) return true;
    text_ << " This ENUMERATED has invalid value " << value.asInt();
    return false;
}

bool InvalidTracer::do_visit(const OBJECT_IDENTIFIER& value) {
    if (value.isValid()) return true;
    text_ << " This OBJECT IDENTIFIER is not assigned";
    return false;
}

bool InvalidTracer::do_visit(const BIT_STRING& value) {
    return traceSize(value, value.size(), "BIT STRING");
}

bool InvalidTracer::do_visit(const OCTET_STRING& value) {
    return traceSize(value, value.size(), "OCTET STRING");
}

bool InvalidTracer::do_visit(const AbstractString& value) {
    if (!traceSize(value, value.size(), "AbstractString")) return false;
    AbstractString::size_type at = value.find_first_invalid();
    if (at == AbstractString::npos) return true;
    text_ << " The character '" << value[at] << "' is not valid for the string";
    return false;
}

bool InvalidTracer::do_visit(const BMPString& value) {
    if (!traceSize(value, value.size(), "BMPString")) return false;
    BMPString::size_type at = value.first_illegal_at();
    if (at == value.size()) return true;
    text_ << " The character '" << int(value[at]) << "' is not valid for the string";
    return false;
}

bool InvalidTracer::do_visit(const CHOICE& value) {
    const AbstractData* selection = value.getSelection();
    if (value.isUnknownSelection()) {
        text_ << " This selection is not understood by this decoder";
    } else if (value.currentSelection() < 0 || !selection) {
        text_ << " This CHOICE is not selected";
    } else if (!value.extendable() && unsigned(value.currentSelection()) >= value.getNumChoices()) {
        text_ << " This CHOICE has no alternative " << value.currentSelection();
    } else {
        // An alternative this side has no name for is shown by its number.
        unsigned id = unsigned(value.currentSelection());
        return traceNested(
            *selection, "." + (id < value.getKnownChoices() ? std::string(value.getSelectionName())
                                                            : std::to_string(id)));
    }
    return false;
}

bool InvalidTracer::do_visit(const OpenData& value) {
    if (value.has_data()) return traceNested(value.get_data(), "");
    if (value.has_buf()) return true;
    text_ << " This Open Type does not contain any valid data";
    return false;
}

bool InvalidTracer::do_visit(const GeneralizedTime& value) {
    if (value.isValid()) return true;
    text_ << " This GeneralizedTime is not valid";
    return false;
}

bool InvalidTracer::do_visit(const SEQUENCE_OF_Base& value) {
    if (!traceSize(value, value.size(), "SEQUENCE OF")) return false;
    int index = 0;
    for (const AbstractData* element : value)
        if (!traceNested(*element, "[" + std::to_string(index++) + "]")) return false;
    return true;
}

bool InvalidTracer::visitExtensionRoot(const SEQUENCE& value, int position) {
    return traceNested(*value.getField(unsigned(position)),
                       std::string(".") + value.getFieldName(position));
}

bool InvalidTracer::visitKnownExtension(const SEQUENCE& value, int position) {
    return visitExtensionRoot(value, position);
}

std::ostream& operator<<(std::ostream& os, const InvalidTracer& tracer) {
    return os << tracer.text();
}

bool trace_invalid(std::ostream& os, const char* prefix, const AbstractData& value) {
    InvalidTracer tracer;
    if (value.accept(tracer)) return true;
    os << prefix << tracer << std::endl;
    return false;
}

}  // namespace ASN1
