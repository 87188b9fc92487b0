// Reads a value from ASN.1 value notation, in the layout AVNEncoder writes: whatever the
// writer prints reads back to an equal value. Fields of a SEQUENCE are named and come in
// their definition order; an OPTIONAL field left out is absent.
#pragma once

#include "asn1/Visitor.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace ASN1 {

class AVNDecoder : public Visitor {
public:
    // The reader never uses the environment.
    explicit AVNDecoder(std::istream& is, CoderEnv* env = nullptr) : Visitor(env), is_(is) {}

protected:
    bool do_visit(Null& value) override;
    bool do_visit(BOOLEAN& value) override;
    bool do_visit(INTEGER& value) override;
    bool do_visit(IntegerWithNamedNumber& value) override;
    bool do_visit(ENUMERATED& value) override;
    bool do_visit(OBJECT_IDENTIFIER& value) override;
    bool do_visit(OCTET_STRING& value) override;
    bool do_visit(BIT_STRING& value) override;
    bool do_visit(AbstractString& value) override;
    bool do_visit(BMPString& value) override;
    bool do_visit(CHOICE& value) override;
    bool do_visit(SEQUENCE_OF_Base& value) override;
    bool do_visit(OpenData& value) override;
    bool do_revisit(OpenData& value) override;
    bool do_visit(TypeConstrainedOpenData& value) override;
    bool do_visit(GeneralizedTime& value) override;

    int preVisitExtensionRoots(SEQUENCE& value) override;
    int visitExtensionRoot(SEQUENCE& value, int position, int optional) override;
    int visitKnownExtension(SEQUENCE& value, int position, int optional) override;
    bool visitUnknownExtensions(SEQUENCE& value) override;

private:
    // The next non-blank character, left in the input; EOF at the end.
    int peekNonBlank();
    bool expect(char c);
    // Letters up to the first character that is not one.
    bool readKeyword(std::string& word);
    // A name that ends also before ',' or '}' (enumeration items, named numbers).
    bool readName(std::string& name);
    // A decimal number within [low, high].
    bool readNumber(long long low, long long high, long long& number);
    // A BMPString written as {{0, 0, row, cell}, ...}.
    bool readQuadruples(std::wstring& text);

    std::istream& is_;
    // For each SEQUENCE being read, the field name read last and not yet matched.
    std::vector<std::string> pendingNames_;
};

// Reading helpers of the value-notation reader.

// Neither failbit nor badbit set (the end of the input alone is success).
bool input_success(std::istream& is);
// A quoted string: white space, '"', the characters up to the closing '"' (a doubled '"'
// stands for one); false when there is no such text.
bool get_string(std::istream& is, std::string& text);
// A quoted binary ('0101'B) or hexadecimal ('0a ff'H) string: the octets, padded with 0
// bits at the end, and the count of bits the digits give.
bool get_value_from(std::istream& is, std::vector<char>& octets, unsigned& bits);
bool get_from_bstring(const std::string& text, std::vector<char>& octets, unsigned& bits);
bool get_from_hstring(const std::string& text, std::vector<char>& octets, unsigned& bits);
// The digits of `text` in base 2 or 16, blanks and line feeds left out; any other
// character (signs included) refuses the text.
bool get_from_string(const std::string& text, std::vector<char>& octets, unsigned& bits, int base);
// A blank or a line feed.
bool is_space_or_newline(char c);
// The position of `name` among the first `count` entries of `names`.
bool get_id(const char* const* names, unsigned count, const std::string& name, unsigned& index);

}  // namespace ASN1
