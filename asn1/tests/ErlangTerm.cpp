#include "asn1/tests/ErlangTerm.h"

#include "asn1/ASN1.h"
#include "asn1/tests/SchemaCatalog.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <vector>

namespace PerTest {

using namespace ASN1;

namespace {

bool isUnsigned(const INTEGER& value) { return value.constrained() && value.getLowerLimit() >= 0; }

void writeTerm(const AbstractData& value, std::string& out);

void writeSequence(const SEQUENCE& value, std::string& out) {
    const SchemaCatalog::Entry* type = SchemaCatalog::find(value.info());
    out += std::string("{'") + (type ? type->name : "?") + "'";
    unsigned roots = value.rootCount();
    for (unsigned pos = 0; pos < roots + value.extensionCount(); ++pos) {
        out += ',';
        int id = pos < roots ? value.fieldId(pos) : int(value.optionalCount() + pos - roots);
        if (id >= 0 && !value.hasOptionalField(unsigned(id)))
            out += "asn1_NOVALUE";
        else
            writeTerm(*value.getField(pos), out);
    }
    out += '}';
}

void writeOctets(const char* data, std::size_t size, unsigned lastBits, std::string& out) {
    out += "<<";
    for (std::size_t i = 0; i < size; ++i) {
        if (i) out += ',';
        unsigned octet = static_cast<unsigned char>(data[i]);
        if (i + 1 == size && lastBits != 0)
            out += std::to_string(octet >> (8 - lastBits)) + ":" + std::to_string(lastBits);
        else
            out += std::to_string(octet);
    }
    out += ">>";
}

void writeTerm(const AbstractData& value, std::string& out) {
    if (auto* s = dynamic_cast<const SEQUENCE*>(&value)) {
        writeSequence(*s, out);
    } else if (auto* c = dynamic_cast<const CHOICE*>(&value)) {
        out += std::string("{'") + c->getSelectionName() + "',";
        writeTerm(*c->getSelection(), out);
        out += '}';
    } else if (auto* list = dynamic_cast<const SEQUENCE_OF_Base*>(&value)) {
        out += '[';
        for (auto it = list->begin(); it != list->end(); ++it) {
            if (it != list->begin()) out += ',';
            writeTerm(**it, out);
        }
        out += ']';
    } else if (auto* n = dynamic_cast<const INTEGER*>(&value)) {
        out += isUnsigned(*n) ? std::to_string(unsigned(n->getValue()))
                              : std::to_string(n->getValue());
    } else if (auto* e = dynamic_cast<const ENUMERATED*>(&value)) {
        const char* name = e->getName();
        out += "'" + std::string(name, std::strcspn(name, "=")) + "'";
    } else if (auto* b = dynamic_cast<const BOOLEAN*>(&value)) {
        out += *b ? "true" : "false";
    } else if (dynamic_cast<const Null*>(&value)) {
        out += "'NULL'";
    } else if (auto* text = dynamic_cast<const AbstractString*>(&value)) {
        out += '[';
        for (std::size_t i = 0; i < text->size(); ++i)
            out += (i ? "," : "") + std::to_string(static_cast<unsigned char>((*text)[i]));
        out += ']';
    } else if (auto* octets = dynamic_cast<const OCTET_STRING*>(&value)) {
        writeOctets(octets->data(), octets->size(), 0, out);
    } else if (auto* bits = dynamic_cast<const BIT_STRING*>(&value)) {
        writeOctets(bits->getData().data(), bits->getData().size(), bits->size() % 8, out);
    } else {
        out += "unsupported";
    }
}

// The subset of Erlang's term syntax that the values above need.
struct Term {
    enum Kind { Integer, Atom, List, Tuple, Bits } kind = Integer;
    long long integer = 0;
    std::string atom;
    std::vector<Term> items;
    std::vector<char> octets;
    unsigned bitCount = 0;
};

class TermParser {
public:
    explicit TermParser(const std::string& text) : p_(text.c_str()) {}

    bool parse(Term& term) {
        skip();
        if (accept('{')) return parseItems(term, Term::Tuple, '}');
        if (accept('[')) return parseItems(term, Term::List, ']');
        if (std::strncmp(p_, "<<", 2) == 0) {
            p_ += 2;
            return parseBits(term);
        }
        if (accept('\'')) {
            term.kind = Term::Atom;
            while (*p_ && *p_ != '\'') term.atom += *p_++;
            return accept('\'');
        }
        if (std::islower(static_cast<unsigned char>(*p_))) {
            term.kind = Term::Atom;
            while (std::isalnum(static_cast<unsigned char>(*p_)) || *p_ == '_' || *p_ == '@')
                term.atom += *p_++;
            return true;
        }
        return parseInteger(term.integer);
    }

    bool atEnd() {
        skip();
        accept('.');
        skip();
        return *p_ == '\0';
    }

private:
    void skip() {
        while (std::isspace(static_cast<unsigned char>(*p_))) ++p_;
    }
    bool accept(char c) {
        skip();
        if (*p_ != c) return false;
        ++p_;
        return true;
    }
    bool parseInteger(long long& value) {
        skip();
        char* end;
        value = std::strtoll(p_, &end, 10);
        if (end == p_) return false;
        p_ = end;
        return true;
    }
    bool parseItems(Term& term, Term::Kind kind, char close) {
        term.kind = kind;
        if (accept(close)) return true;
        do {
            term.items.emplace_back();
            if (!parse(term.items.back())) return false;
        } while (accept(','));
        return accept(close);
    }
    // <<Octet, ..., Last:Bits>>
    bool parseBits(Term& term) {
        term.kind = Term::Bits;
        skip();
        if (std::strncmp(p_, ">>", 2) == 0) {
            p_ += 2;
            return true;
        }
        for (;;) {
            long long value, size = 8;
            if (!parseInteger(value) || term.bitCount % 8 != 0) return false;
            if (accept(':') && !parseInteger(size)) return false;
            if (size < 1 || size > 8) return false;
            term.octets.push_back(char(value << (8 - size)));
            term.bitCount += unsigned(size);
            skip();
            if (std::strncmp(p_, ">>", 2) == 0) {
                p_ += 2;
                return true;
            }
            if (!accept(',')) return false;
        }
    }

    const char* p_;
};

bool readTerm(const Term& term, AbstractData& value);

bool readSequence(const Term& term, SEQUENCE& value) {
    unsigned roots = value.rootCount(), fields = roots + value.extensionCount();
    if (term.kind != Term::Tuple || term.items.size() != fields + 1) return false;
    bool anyAddition = false;
    for (unsigned pos = 0; pos < fields; ++pos) {
        const Term& field = term.items[pos + 1];
        int id = pos < roots ? value.fieldId(pos) : int(value.optionalCount() + pos - roots);
        bool absent = field.kind == Term::Atom && field.atom == "asn1_NOVALUE";
        if (absent) {
            if (id < 0) return false;
            value.removeOptionalField(unsigned(id));
            continue;
        }
        AbstractData* slot =
            id < 0 ? value.getField(pos) : value.includeOptionalField(unsigned(id), pos);
        if (!readTerm(field, *slot)) return false;
        anyAddition = anyAddition || pos >= roots;
    }
    // Erlang sends one presence bit per known addition.
    if (anyAddition) value.extensionMap().resize(value.extensionCount());
    return true;
}

bool readTerm(const Term& term, AbstractData& value) {
    if (auto* s = dynamic_cast<SEQUENCE*>(&value)) return readSequence(term, *s);
    if (auto* c = dynamic_cast<CHOICE*>(&value)) {
        if (term.kind != Term::Tuple || term.items.size() != 2 || term.items[0].kind != Term::Atom)
            return false;
        for (unsigned id = 0; id < c->getKnownChoices(); ++id)
            if (term.items[0].atom == c->getAlternativeName(id))
                return c->select(int(id)) && readTerm(term.items[1], *c->getSelection());
        return false;
    }
    if (auto* list = dynamic_cast<SEQUENCE_OF_Base*>(&value)) {
        if (term.kind != Term::List) return false;
        list->resize(unsigned(term.items.size()));
        for (std::size_t i = 0; i < term.items.size(); ++i)
            if (!readTerm(term.items[i], **(list->begin() + i))) return false;
        return true;
    }
    if (auto* n = dynamic_cast<INTEGER*>(&value)) {
        if (term.kind != Term::Integer) return false;
        n->setValue(int(static_cast<unsigned>(term.integer)));
        return true;
    }
    if (auto* e = dynamic_cast<ENUMERATED*>(&value))
        return term.kind == Term::Atom && e->setFromName(term.atom);
    if (auto* b = dynamic_cast<BOOLEAN*>(&value)) {
        if (term.kind != Term::Atom || (term.atom != "true" && term.atom != "false")) return false;
        *b = term.atom == "true";
        return true;
    }
    if (dynamic_cast<Null*>(&value)) return term.kind == Term::Atom && term.atom == "NULL";
    if (auto* text = dynamic_cast<AbstractString*>(&value)) {
        if (term.kind != Term::List) return false;
        text->clear();
        for (const Term& c : term.items) text->push_back(char(c.integer));
        return true;
    }
    if (auto* octets = dynamic_cast<OCTET_STRING*>(&value)) {
        if (term.kind != Term::Bits || term.bitCount % 8 != 0) return false;
        *octets = term.octets;
        return true;
    }
    if (auto* bits = dynamic_cast<BIT_STRING*>(&value)) {
        if (term.kind != Term::Bits) return false;
        bits->resize(term.bitCount);
        std::copy(term.octets.begin(), term.octets.end(), bits->octets());
        return true;
    }
    return false;
}

}  // namespace

std::string toErlangTerm(const AbstractData& value) {
    std::string out;
    writeTerm(value, out);
    return out;
}

bool fromErlangTerm(const std::string& text, AbstractData& value) {
    TermParser parser(text);
    Term term;
    return parser.parse(term) && parser.atEnd() && readTerm(term, value);
}

std::vector<ErlangVector> erlangVectors(const std::string& codec) {
    std::vector<ErlangVector> vectors;
    std::ifstream in(std::string(HALVOX_ASN1_TEST_DIR) + "/erlang/" + codec + "_vectors.txt");
    std::string module, type, hex, term;
    while (in >> module >> type >> hex && std::getline(in, term)) {
        const SchemaCatalog::Entry* entry = SchemaCatalog::find(module.c_str(), type.c_str());
        std::unique_ptr<AbstractData> value(entry ? AbstractData::create(entry->info) : nullptr);
        if (!value || !fromErlangTerm(term, *value)) value.reset();
        vectors.push_back({entry, hex, term, std::move(value)});
    }
    return vectors;
}

}  // namespace PerTest
