// Writes a value in ASN.1 value notation: every log line that shows a message goes
// through here. Constructed values are written over several lines, indented by nesting.
#pragma once

#include "asn1/ConstVisitor.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace ASN1 {

class AVNEncoder : public ConstVisitor {
public:
    explicit AVNEncoder(std::ostream& os) : os_(os) {}

    // False when some part of the value could not be written as value notation (a CHOICE
    // with nothing selected or not understood, an empty open type): a short marker stands
    // in its place and the rest of the value is still written.
    bool printable() const { return printable_; }

protected:
    bool do_visit(const Null& value) override;
    bool do_visit(const BOOLEAN& value) override;
    bool do_visit(const INTEGER& value) override;
    bool do_visit(const IntegerWithNamedNumber& value) override;
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

    bool preVisitExtensionRoots(const SEQUENCE& value) override;
    bool visitExtensionRoot(const SEQUENCE& value, int position) override;
    bool visitKnownExtension(const SEQUENCE& value, int position) override;
    bool afterVisitSequence(const SEQUENCE& value) override;

private:
    void writeBlanks(int count);
    bool writeMarker(const char* marker);
    bool writeOctets(const char* data, std::size_t size);
    // Between double quotes, a quote inside doubled.
    bool writeQuoted(const std::string& text);

    std::ostream& os_;
    int indent_ = 0;
    std::vector<bool> separators_;  // per SEQUENCE being written: a field was written
    bool printable_ = true;
};

}  // namespace ASN1
