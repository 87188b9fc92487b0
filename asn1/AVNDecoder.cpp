#include "asn1/AVNDecoder.h"

#include "asn1/ASN1.h"
#include "asn1/Limits.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <cwchar>
#include <istream>
#include <memory>

namespace ASN1 {

namespace {

bool isLetter(int c) { return c != EOF && std::isalpha(c); }
bool isDigit(int c) { return c != EOF && std::isdigit(c); }

// Whether a root field after `position` is mandatory.
bool mandatoryAfter(const SEQUENCE& value, int position) {
    for (unsigned pos = unsigned(position + 1); pos < value.rootCount(); ++pos)
        if (value.fieldId(pos) < 0) return true;
    return false;
}

}  // namespace

bool input_success(std::istream& is) {
    return (is.rdstate() & (std::ios_base::failbit | std::ios_base::badbit)) == 0;
}

bool get_string(std::istream& is, std::string& text) {
    char c;
    if (!(is >> c) || c != '"') return false;
    std::string result;
    for (;;) {
        int next = is.get();
        if (next == EOF) return false;
        if (next == '"') {
            if (is.peek() != '"') break;
            is.get();
        }
        result += char(next);
    }
    text.swap(result);
    return true;
}

bool get_value_from(std::istream& is, std::vector<char>& octets, unsigned& bits) {
    char c;
    if (!(is >> c) || c != '\'') return false;
    std::string text;
    if (!std::getline(is, text, '\'') || is.eof() || !(is >> c)) return false;
    if (c == 'B') return get_from_bstring(text, octets, bits);
    if (c == 'H') return get_from_hstring(text, octets, bits);
    return false;
}

bool get_from_bstring(const std::string& text, std::vector<char>& octets, unsigned& bits) {
    return get_from_string(text, octets, bits, 2);
}

bool get_from_hstring(const std::string& text, std::vector<char>& octets, unsigned& bits) {
    return get_from_string(text, octets, bits, 16);
}

bool get_from_string(const std::string& text, std::vector<char>& octets, unsigned& bits, int base) {
    unsigned bitsPerDigit = base == 2 ? 1 : 4;
    std::vector<char> result;
    unsigned count = 0;  // digits so far
    for (char c : text) {
        if (is_space_or_newline(c)) continue;
        unsigned digit;
        if (c == '0' || c == '1')
            digit = unsigned(c - '0');
        else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
            digit = unsigned(std::isdigit(static_cast<unsigned char>(c))
                                 ? c - '0'
                                 : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
        else
            return false;
        if (count >= UINT_MAX / bitsPerDigit) return false;
        unsigned bit = count * bitsPerDigit;
        if (bit % 8 == 0) result.push_back(0);
        result.back() |= char(digit << (8 - bitsPerDigit - bit % 8));
        ++count;
    }
    octets.swap(result);
    bits = count * bitsPerDigit;
    return true;
}

bool is_space_or_newline(char c) { return c == ' ' || c == '\n'; }

bool get_id(const char* const* names, unsigned count, const std::string& name, unsigned& index) {
    for (unsigned i = 0; i < count; ++i) {
        if (name == names[i]) {
            index = i;
            return true;
        }
    }
    return false;
}

int AVNDecoder::peekNonBlank() {
    is_ >> std::ws;
    return is_.peek();
}

bool AVNDecoder::expect(char c) {
    char found;
    return is_ >> found && found == c;
}

bool AVNDecoder::readKeyword(std::string& word) {
    word.clear();
    is_ >> std::ws;
    while (isLetter(is_.peek())) word += char(is_.get());
    return !word.empty();
}

bool AVNDecoder::readName(std::string& name) {
    name.clear();
    is_ >> std::ws;
    for (int c = is_.peek(); c != EOF && !std::isspace(c) && c != ',' && c != '}'; c = is_.peek())
        name += char(is_.get());
    return !name.empty();
}

bool AVNDecoder::readNumber(long long low, long long high, long long& number) {
    return is_ >> number && number >= low && number <= high;
}

bool AVNDecoder::do_visit(Null&) {
    std::string word;
    return readKeyword(word) && word == "NULL";
}

bool AVNDecoder::do_visit(BOOLEAN& value) {
    std::string word;
    if (!readKeyword(word) || (word != "TRUE" && word != "FALSE")) return false;
    value = word == "TRUE";
    return true;
}

bool AVNDecoder::do_visit(INTEGER& value) {
    long long number;
    bool ok =
        value.isUnsigned() ? readNumber(0, UINT_MAX, number) : readNumber(INT_MIN, INT_MAX, number);
    if (ok) value.setValue(int(static_cast<unsigned>(number)));
    return ok;
}

bool AVNDecoder::do_visit(IntegerWithNamedNumber& value) {
    int c = peekNonBlank();
    if (isDigit(c) || c == '-') return do_visit(static_cast<INTEGER&>(value));
    std::string name;
    return readName(name) && value.setFromName(name);
}

bool AVNDecoder::do_visit(ENUMERATED& value) {
    // A number stands for an item without a name, as the writer prints it.
    int c = peekNonBlank();
    if (isDigit(c) || c == '-') {
        long long number;
        if (!readNumber(INT_MIN, INT_MAX, number)) return false;
        value.setFromInt(int(number));
        return true;
    }
    std::string name;
    return readName(name) && value.setFromName(name);
}

// { 1 3 6 }, an arc also as name(number).
bool AVNDecoder::do_visit(OBJECT_IDENTIFIER& value) {
    if (!expect('{')) return false;
    OBJECT_IDENTIFIER arcs(value.info());
    for (;;) {
        int c = peekNonBlank();
        if (c == '}') {
            is_.get();
            value = arcs;
            return true;
        }
        bool named = isLetter(c);
        if (named) {
            while (isLetter(c) || isDigit(c) || c == '-') {
                is_.get();
                c = is_.peek();
            }
            if (!expect('(')) return false;
        } else if (!isDigit(c)) {
            return false;
        }
        long long arc;
        if (!readNumber(0, UINT_MAX, arc) || (named && !expect(')'))) return false;
        arcs.append(unsigned(arc));
    }
}

bool AVNDecoder::do_visit(OCTET_STRING& value) {
    std::vector<char> octets;
    unsigned bits;
    if (!get_value_from(is_, octets, bits)) return false;
    value.swap(octets);
    return true;
}

bool AVNDecoder::do_visit(BIT_STRING& value) {
    std::vector<char> octets;
    unsigned bits;
    if (!get_value_from(is_, octets, bits)) return false;
    value.resize(bits);
    std::copy(octets.begin(), octets.end(), value.octets());
    return true;
}

bool AVNDecoder::do_visit(AbstractString& value) {
    std::string text;
    if (!get_string(is_, text)) return false;
    value.assign(text);
    return true;
}

bool AVNDecoder::readQuadruples(std::wstring& text) {
    if (!expect('{')) return false;
    text.clear();
    char separator;
    do {
        long long group, plane, row, cell;
        if (!expect('{') || !readNumber(0, 0, group) || !expect(',') || !readNumber(0, 0, plane) ||
            !expect(',') || !readNumber(0, 255, row) || !expect(',') || !readNumber(0, 255, cell) ||
            !expect('}') || !(is_ >> separator))
            return false;
        text += wchar_t(row << 8 | cell);
    } while (separator == ',');
    return separator == '}';
}

// In the process's locale, as the writer converts; {{0, 0, row, cell}, ...} otherwise.
bool AVNDecoder::do_visit(BMPString& value) {
    std::wstring wide;
    if (peekNonBlank() == '{') {
        if (!readQuadruples(wide)) return false;
        value.swap(wide);
        return true;
    }
    std::string text;
    if (!get_string(is_, text)) return false;
    std::mbstate_t state = std::mbstate_t();
    for (std::size_t at = 0; at < text.size();) {
        wchar_t c;
        std::size_t n = std::mbrtowc(&c, text.data() + at, text.size() - at, &state);
        if (n == std::size_t(-1) || n == std::size_t(-2) || unsigned(c) > 0xFFFF) return false;
        wide += c;
        at += n == 0 ? 1 : n;  // 0: the character was NUL
    }
    value.swap(wide);
    return true;
}

bool AVNDecoder::do_visit(CHOICE& value) {
    std::string name;
    unsigned index;
    if (!(is_ >> name) || !expect(':') ||
        !get_id(static_cast<const ChoiceInfo*>(value.info())->selectionNames,
                value.getKnownChoices(), name, index) ||
        !value.select(int(index)))
        return false;
    return value.getSelection()->accept(*this);
}

bool AVNDecoder::do_visit(SEQUENCE_OF_Base& value) {
    if (!expect('{') || peekNonBlank() == EOF) return false;
    value.clear();
    if (is_.peek() == '}') {
        is_.get();
        return true;
    }
    for (;;) {
        if (value.size() >= MaximumArraySize) return false;
        std::unique_ptr<AbstractData> element(value.createElement());
        char separator;
        if (!element || !element->accept(*this) || !(is_ >> separator)) return false;
        value.push_back(element.release());
        if (separator == '}') return true;
        if (separator != ',') return false;
    }
}

// A typed value is read as its type; raw octets as the hexadecimal string they print as.
bool AVNDecoder::do_visit(OpenData& value) {
    if (value.has_data()) return value.get_data().accept(*this);
    std::vector<char> octets;
    unsigned bits;
    if (peekNonBlank() != '\'' || !get_value_from(is_, octets, bits)) return false;
    if (!value.has_buf()) value.grab(new std::vector<char>);
    value.get_buf().swap(octets);
    return true;
}

bool AVNDecoder::do_revisit(OpenData&) { return false; }

bool AVNDecoder::do_visit(TypeConstrainedOpenData& value) {
    return value.has_data() && value.get_data().accept(*this);
}

bool AVNDecoder::do_visit(GeneralizedTime& value) {
    std::string text;
    return get_string(is_, text) && text.find('\0') == std::string::npos && value.set(text.c_str());
}

int AVNDecoder::preVisitExtensionRoots(SEQUENCE& value) {
    if (!expect('{')) return Fail;
    // Presence comes from the text alone.
    SEQUENCE::BitMap& optionals = value.optionalMap();
    unsigned count = optionals.size();
    optionals.resize(0);
    optionals.resize(count);
    value.extensionMap().resize(0);
    int c = peekNonBlank();
    if (c == '}') {
        is_.get();
        return mandatoryAfter(value, -1) ? Fail : Done;
    }
    std::string name;
    if (!(is_ >> name)) return Fail;
    pendingNames_.push_back(name);
    return GoOn;
}

int AVNDecoder::visitExtensionRoot(SEQUENCE& value, int position, int optional) {
    if (pendingNames_.back() != value.getFieldName(position)) return optional < 0 ? Fail : GoOn;
    AbstractData* field = optional < 0
                              ? value.ensureField(unsigned(position))
                              : value.includeOptionalField(unsigned(optional), unsigned(position));
    char separator;
    if (!field || !field->accept(*this) || !(is_ >> separator)) return Fail;
    if (separator == '}') {
        pendingNames_.pop_back();
        return mandatoryAfter(value, position) ? Fail : Done;
    }
    return separator == ',' && is_ >> pendingNames_.back() ? GoOn : Fail;
}

int AVNDecoder::visitKnownExtension(SEQUENCE& value, int position, int optional) {
    return visitExtensionRoot(value, position, optional);
}

// Reached with a name that no field has: only the "}" after a trailing ',' ends well.
bool AVNDecoder::visitUnknownExtensions(SEQUENCE&) {
    bool closed = pendingNames_.back() == "}";
    pendingNames_.pop_back();
    return closed;
}

}  // namespace ASN1
