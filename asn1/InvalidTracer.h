// Tells in words why a value is not valid and where inside it: the path from the outermost
// value (".field" for a SEQUENCE field or CHOICE alternative, "[n]" for a SEQUENCE OF
// element), then the fault. It finds a fault exactly where isValid answers false.
#pragma once

#include "asn1/ConstVisitor.h"

#include <cstddef>
#include <iosfwd>
#include <sstream>
#include <string>

namespace ASN1 {

class ConstrainedObject;

class InvalidTracer : public ConstVisitor {
public:
    std::string text() const { return text_.str(); }

protected:
    bool do_visit(const Null& value) override;
    bool do_visit(const BOOLEAN& value) override;
    bool do_visit(const INTEGER& value) override;
    bool do_visit(const ENUMERATED& value) override;
    bool do_visit(const OBJECT_IDENTIFIER& value) override;
    bool do_visit(const BIT_STRING& value) override;
    bool do_visit(const OCTET_STRING& value) override;
    bool do_visit(const AbstractString& value) override;
    bool do_visit(const BMPString& value) override;
    bool do_visit(const CHOICE& value) override;
    bool do_visit(const OpenData& value) override;
    bool do_visit(const GeneralizedTime& value) override;
    bool do_visit(const SEQUENCE_OF_Base& value) override;

    bool visitExtensionRoot(const SEQUENCE& value, int position) override;
    bool visitKnownExtension(const SEQUENCE& value, int position) override;

private:
    // The size fault of a string or list, described as `what`; true when there is none.
    bool traceSize(const ConstrainedObject& value, std::size_t count, const char* what);
    // Traces `value` with a fresh tracer and, when it fails, appends `path` and its text.
    bool traceNested(const AbstractData& value, const std::string& path);

    std::stringstream text_;
};

std::ostream& operator<<(std::ostream& os, const InvalidTracer& tracer);

// When `value` is not valid, writes `prefix`, where and why, and std::endl; returns
// whether the value is valid.
bool trace_invalid(std::ostream& os, const char* prefix, const AbstractData& value);

}  // namespace ASN1
