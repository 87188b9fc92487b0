#include "asn1/AVNEncoder.h"

#include "asn1/AbstractString.h"
#include "asn1/BIT_STRING.h"
#include "asn1/BMPString.h"
#include "asn1/BOOLEAN.h"
#include "asn1/CHOICE.h"
#include "asn1/ENUMERATED.h"
#include "asn1/GeneralizedTime.h"
#include "asn1/IntegerWithNamedNumber.h"
#include "asn1/Null.h"
#include "asn1/OBJECT_IDENTIFIER.h"
#include "asn1/OCTET_STRING.h"
#include "asn1/OpenData.h"
#include "asn1/SEQUENCE.h"
#include "asn1/SEQUENCE_OF.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <ostream>
#include <string>

namespace ASN1 {

void AVNEncoder::writeBlanks(int count) {
    static const char blanks[] = "                                ";
    for (; count > 0; count -= int(sizeof blanks - 1))
        os_.write(blanks, count < int(sizeof blanks - 1) ? count : int(sizeof blanks - 1));
}

bool AVNEncoder::writeMarker(const char* marker) {
    printable_ = false;
    os_ << marker;
    return os_.good();
}

bool AVNEncoder::do_visit(const Null&) {
    os_ << "NULL";
    return os_.good();
}

bool AVNEncoder::do_visit(const BOOLEAN& value) {
    os_ << (value ? "TRUE" : "FALSE");
    return os_.good();
}

bool AVNEncoder::do_visit(const INTEGER& value) {
    os_ << value.getNumber();
    return os_.good();
}

bool AVNEncoder::do_visit(const IntegerWithNamedNumber& value) {
    std::string name;
    if (!value.getName(name)) return do_visit(static_cast<const INTEGER&>(value));
    os_ << name;
    return os_.good();
}

bool AVNEncoder::do_visit(const ENUMERATED& value) {
    // An explicitly numbered item's text is "name=N"; only the name is written.
    if (const char* name = value.getName())
        os_.write(name, std::streamsize(std::strcspn(name, "=")));
    else
        os_ << value.asInt();
    return os_.good();
}

bool AVNEncoder::do_visit(const OBJECT_IDENTIFIER& value) {
    os_ << "{ ";
    for (unsigned i = 0; i < value.levels(); ++i) os_ << value[i] << ' ';
    os_ << '}';
    return os_.good();
}

bool AVNEncoder::do_visit(const BIT_STRING& value) {
    os_ << '\'';
    for (unsigned i = 0; i < value.size() && os_.good(); ++i) os_ << (value[i] ? '1' : '0');
    if (os_.good()) os_ << "'B";
    return os_.good();
}

bool AVNEncoder::writeOctets(const char* data, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    os_ << '\'';
    for (std::size_t i = 0; i < size && os_.good(); ++i) {
        unsigned char octet = static_cast<unsigned char>(data[i]);
        char text[3] = {digits[octet >> 4], digits[octet & 0xF], ' '};
        os_.write(text, i + 1 < size ? 3 : 2);
    }
    if (os_.good()) os_ << "'H";
    return os_.good();
}

bool AVNEncoder::do_visit(const OCTET_STRING& value) {
    return writeOctets(value.data(), value.size());
}

bool AVNEncoder::writeQuoted(const std::string& text) {
    os_ << '"';
    for (std::size_t from = 0; from < text.size() && os_.good();) {
        std::size_t quote = text.find('"', from);
        std::size_t end = quote == std::string::npos ? text.size() : quote + 1;
        os_.write(text.data() + from, std::streamsize(end - from));
        if (quote != std::string::npos) os_ << '"';
        from = end;
    }
    os_ << '"';
    return os_.good();
}

bool AVNEncoder::do_visit(const AbstractString& value) { return writeQuoted(value); }

bool AVNEncoder::do_visit(const BMPString& value) {
    // In the process's locale when every character converts; otherwise as the
    // {group, plane, row, cell} quadruples of each character.
    std::string text;
    std::mbstate_t state = std::mbstate_t();
    char buffer[MB_LEN_MAX];
    bool converted = true;
    for (wchar_t c : value) {
        std::size_t n = std::wcrtomb(buffer, c, &state);
        if (n == std::size_t(-1)) {
            converted = false;
            break;
        }
        text.append(buffer, n);
    }
    if (converted) return writeQuoted(text);
    os_ << '{';
    for (std::size_t i = 0; i < value.size() && os_.good(); ++i) {
        if (i != 0) os_ << ", ";
        unsigned c = unsigned(value[i]);
        os_ << "{ 0, 0, " << int((c >> 8) & 0xFF) << ", " << int(c & 0xFF) << '}';
    }
    if (os_.good()) os_ << '}';
    return os_.good();
}

bool AVNEncoder::do_visit(const CHOICE& value) {
    const AbstractData* selection = value.getSelection();
    if (value.currentSelection() < 0 || !selection)
        return writeMarker(value.isUnknownSelection() ? "<not understood>" : "<unselected>");
    if (unsigned(value.currentSelection()) >= value.getKnownChoices())
        return writeMarker("<not understood>");  // an alternative without a name here
    os_ << value.getSelectionName() << " : ";
    return selection->accept(*this);
}

bool AVNEncoder::do_visit(const OpenData& value) {
    if (value.has_data()) return value.get_data().accept(*this);
    if (value.has_buf()) return writeOctets(value.get_buf().data(), value.get_buf().size());
    return writeMarker("<empty>");
}

bool AVNEncoder::do_visit(const GeneralizedTime& value) {
    os_ << '"' << value.get() << '"';
    return os_.good();
}

bool AVNEncoder::do_visit(const SEQUENCE_OF_Base& value) {
    os_ << "{\n";
    indent_ += 2;
    for (SEQUENCE_OF_Base::const_iterator it = value.begin(); it != value.end(); ++it) {
        if (!os_.good()) break;
        writeBlanks(indent_);
        if (!(*it)->accept(*this)) return false;
        if (it + 1 != value.end()) os_ << ",\n";
    }
    indent_ -= 2;
    if (!value.empty() && os_.good()) os_ << '\n';
    writeBlanks(indent_);
    os_ << '}';
    return os_.good();
}

bool AVNEncoder::preVisitExtensionRoots(const SEQUENCE&) {
    separators_.push_back(false);
    os_ << "{\n";
    return os_.good();
}

bool AVNEncoder::visitExtensionRoot(const SEQUENCE& value, int position) {
    if (separators_.back()) os_ << ",\n";
    writeBlanks(indent_ + 2);
    os_ << value.getFieldName(position) << ' ';
    indent_ += 2;
    if (!value.getField(unsigned(position))->accept(*this)) return false;
    indent_ -= 2;
    separators_.back() = true;
    return true;
}

bool AVNEncoder::visitKnownExtension(const SEQUENCE& value, int position) {
    return visitExtensionRoot(value, position);
}

bool AVNEncoder::afterVisitSequence(const SEQUENCE&) {
    if (separators_.back()) os_ << '\n';
    separators_.pop_back();
    writeBlanks(indent_);
    os_ << '}';
    return os_.good();
}

}  // namespace ASN1
