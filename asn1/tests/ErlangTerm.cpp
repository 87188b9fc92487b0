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
        const bool isUnsigned = n->constrained() && n->getLowerLimit() >= 0;
        out += isUnsigned ? std::to_string(unsigned(n->getValue())) : std::to_string(n->getValue());
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

// Reads the subset of Erlang's term syntax that toErlangTerm writes, straight into a value.
class TermReader {
public:
    explicit TermReader(const std::string& text) : p_(text.c_str()) {}

    bool read(AbstractData& value) {
        std::string name;
        long long number;
        std::vector<char> octets;
        unsigned bitCount = 0;
        if (auto* s = dynamic_cast<SEQUENCE*>(&value))
            return accept("{") && atom(name) && fields(*s);
        if (auto* c = dynamic_cast<CHOICE*>(&value)) {
            if (!accept("{") || !atom(name) || !accept(",")) return false;
            for (unsigned id = 0; id < c->getKnownChoices(); ++id)
                if (name == c->getAlternativeName(id))
                    return c->select(int(id)) && read(*c->getSelection()) && accept("}");
            return false;
        }
        if (auto* list = dynamic_cast<SEQUENCE_OF_Base*>(&value)) {
            list->resize(0);
            return items("[", "]", [&] {
                list->resize(list->size() + 1);
                return read(**(list->begin() + (list->size() - 1)));
            });
        }
        if (auto* n = dynamic_cast<INTEGER*>(&value)) {
            if (!integer(number)) return false;
            n->setValue(int(static_cast<unsigned>(number)));
            return true;
        }
        if (auto* e = dynamic_cast<ENUMERATED*>(&value)) return atom(name) && e->setFromName(name);
        if (auto* b = dynamic_cast<BOOLEAN*>(&value)) {
            *b = atom(name) && name == "true";
            return name == "true" || name == "false";
        }
        if (dynamic_cast<Null*>(&value)) return atom(name) && name == "NULL";
        if (auto* text = dynamic_cast<AbstractString*>(&value)) {
            text->clear();
            return items("[", "]",
                         [&] { return integer(number) && (text->push_back(char(number)), true); });
        }
        if (!binary(octets, bitCount)) return false;
        if (auto* o = dynamic_cast<OCTET_STRING*>(&value)) {
            *o = octets;
            return bitCount % 8 == 0;
        }
        if (auto* bits = dynamic_cast<BIT_STRING*>(&value)) {
            bits->resize(bitCount);
            std::copy(octets.begin(), octets.end(), bits->octets());
            return true;
        }
        return false;
    }

    bool atEnd() {
        accept(".");
        skip();
        return *p_ == '\0';
    }

private:
    void skip() {
        while (std::isspace(static_cast<unsigned char>(*p_))) ++p_;
    }
    bool accept(const char* token) {
        skip();
        const std::size_t n = std::strlen(token);
        if (std::strncmp(p_, token, n) != 0) return false;
        p_ += n;
        return true;
    }
    bool atom(std::string& name) {
        skip();
        name.clear();
        if (accept("'")) {
            while (*p_ && *p_ != '\'') name += *p_++;
            return accept("'");
        }
        while (std::isalnum(static_cast<unsigned char>(*p_)) || *p_ == '_') name += *p_++;
        return !name.empty();
    }
    bool integer(long long& value) {
        skip();
        char* end;
        value = std::strtoll(p_, &end, 10);
        if (end == p_) return false;
        p_ = end;
        return true;
    }
    template <class Item>
    bool items(const char* open, const char* close, Item item) {
        if (!accept(open)) return false;
        if (accept(close)) return true;
        do {
            if (!item()) return false;
        } while (accept(","));
        return accept(close);
    }
    // {'Type', Field, ...} after the type's name, asn1_NOVALUE for an absent field.
    bool fields(SEQUENCE& value) {
        const unsigned roots = value.rootCount();
        bool anyAddition = false;
        for (unsigned pos = 0; pos < roots + value.extensionCount(); ++pos) {
            int id = pos < roots ? value.fieldId(pos) : int(value.optionalCount() + pos - roots);
            if (!accept(",")) return false;
            if (accept("asn1_NOVALUE")) {
                if (id < 0) return false;
                value.removeOptionalField(unsigned(id));
                continue;
            }
            if (!read(id < 0 ? *value.getField(pos)
                             : *value.includeOptionalField(unsigned(id), pos)))
                return false;
            anyAddition = anyAddition || pos >= roots;
        }
        // Erlang sends one presence bit per known addition.
        if (anyAddition) value.extensionMap().resize(value.extensionCount());
        return accept("}");
    }
    // <<Octet, ..., Last:Bits>>
    bool binary(std::vector<char>& octets, unsigned& bitCount) {
        if (!accept("<<")) return false;
        if (accept(">>")) return true;
        do {
            long long value, size = 8;
            if (bitCount % 8 != 0 || !integer(value) || (accept(":") && !integer(size)) ||
                size < 1 || size > 8)
                return false;
            octets.push_back(char(value << (8 - size)));
            bitCount += unsigned(size);
        } while (accept(","));
        return accept(">>");
    }

    const char* p_;
};

}  // namespace

std::string toErlangTerm(const AbstractData& value) {
    std::string out;
    writeTerm(value, out);
    return out;
}

bool fromErlangTerm(const std::string& text, AbstractData& value) {
    TermReader reader(text);
    return reader.read(value) && reader.atEnd();
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
