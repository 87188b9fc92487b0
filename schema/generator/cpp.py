"""Writes one module as a C++ header and source: a class per named type in the module's
namespace, a typed view of its runtime base, and the constant type records the runtime
reads."""

from check import class_order
from model import Builtin, Choice, Enumerated, ListOf, Reference, Sequence, cpp_name

BASES = {Sequence: "ASN1::SEQUENCE", Choice: "ASN1::CHOICE", Enumerated: "ASN1::ENUMERATED"}
BUILTIN_CLASSES = {"INTEGER": "ASN1::INTEGER", "BOOLEAN": "ASN1::BOOLEAN", "NULL": "ASN1::Null",
                   "OCTET STRING": "ASN1::OCTET_STRING", "BIT STRING": "ASN1::BIT_STRING",
                   "IA5String": "ASN1::IA5String", "OBJECT IDENTIFIER": "ASN1::OBJECT_IDENTIFIER"}
SCALAR_ARGUMENTS = {"BOOLEAN": "bool", "IA5String": "const std::string&",
                    "OCTET STRING": "const std::vector<char>&"}


def banner(module, source_name):
    lines = [f"// Generated from {source_name} by the schema generator; edit the description."]
    lines += [f"// {line}".rstrip() for line in module.comment]
    return lines


class Member:
    """What the generated code needs to know of one field or alternative."""

    def __init__(self, owner, member):
        self.owner = owner
        self.asn_name = member.name
        self.name = cpp_name(member.name)
        self.type = member.type
        self.subtype = isinstance(self.type, Builtin) and self.type.bounded and \
            self.type.name == "IA5String"

    @property
    def value_type(self):
        return f"{self.name}::value_type"

    @property
    def record(self):
        if self.subtype:
            return f"&{cpp_name(self.owner.name)}::{self.name}::value_type::theInfo"
        return f"&{type_name(self.type, self.owner)}::theInfo"

    def arguments(self):
        """The parameter types a setter, select_ or constructor takes for this member."""
        member_type = self.type
        if isinstance(member_type, Builtin):
            if member_type.name == "NULL":
                return []
            if member_type.name == "INTEGER":
                return ["unsigned" if member_type.bounded else "int"]
            if member_type.name in SCALAR_ARGUMENTS:
                return [SCALAR_ARGUMENTS[member_type.name]]
        name = type_name(member_type, self.owner)
        if isinstance(member_type, Reference) and isinstance(member_type.target.type, Enumerated):
            return [f"{name}::NamedNumber", f"const {name}&"]
        return [f"const {name}&"]

    def scope(self, extra=""):
        """The nested scope X::a with its value type (and the alternative's Id)."""
        if not self.subtype:
            return f"    struct {self.name} {{ typedef {type_name(self.type, self.owner)} value_type;{extra} }};"
        lower, upper = self.type.lower, self.type.upper
        return "\n".join([
            f"    struct {self.name} {{  // IA5String (SIZE({lower}..{upper}))",
            "        class value_type : public ASN1::IA5String {",
            "        public:",
            "            value_type() : ASN1::IA5String(&theInfo) {}",
            "            value_type(const std::string& v) : ASN1::IA5String(v, &theInfo) {}",
            "            value_type& operator=(const std::string& v) { ASN1::IA5String::operator=(v); return *this; }",
            "            static const ASN1::StringInfo theInfo;",
            f"        }};{extra}",
            "    };"])

    def subtype_record(self):
        lower, upper = self.type.lower, self.type.upper
        owner = cpp_name(self.owner.name)
        return [f"HALVOX_CONSTINIT const ASN1::StringInfo {owner}::{self.name}::value_type::theInfo = {{",
                f"    {{{{&ASN1::AbstractString::create, 22}}, ASN1::FixedConstraint, {lower}, {upper}}},",
                "    ASN1::IA5StringSet, 128, 7, 7, 8};",
                f"static_assert(sizeof({owner}::{self.name}::value_type) == sizeof(ASN1::IA5String), "
                "\"a generated class adds no data\");"]


def type_name(member_type, owner):
    """The C++ class of a field's or alternative's type, seen from the owner's namespace."""
    if isinstance(member_type, Builtin):
        if member_type.name == "INTEGER" and member_type.bounded:
            return (f"ASN1::Constrained_INTEGER<ASN1::FixedConstraint, {member_type.lower}, "
                    f"{member_type.upper}>")
        return BUILTIN_CLASSES[member_type.name]
    if isinstance(member_type, ListOf):
        template = "SEQUENCE_OF" if member_type.kind == "SEQUENCE" else "SET_OF"
        return f"ASN1::{template}<{type_name(member_type.element, owner)}>"
    target = member_type.target
    name = cpp_name(target.name)
    return name if target.module is owner.module else f"{target.module.name}::{name}"


# Header


def header(module, source_name, include_dir):
    imported = sorted({source for source, _ in module.imports.values()})
    lines = banner(module, source_name) + ["#pragma once", "", '#include "asn1/ASN1.h"']
    lines += [f'#include "{include_dir}/{name}.h"' for name in imported]
    lines += ["", "#include <string>", "#include <vector>", "", f"namespace {module.name} {{", ""]
    lines += [f"class {cpp_name(t.name)};" for t in module.types]
    for typedef in class_order(module):
        lines.append("")
        lines += [f"// {line}".rstrip() for line in typedef.comment]
        lines += CLASS_WRITERS[type(typedef.type)](typedef)
    lines += ["", f"}}  // namespace {module.name}", ""]
    return "\n".join(lines)


def class_head(typedef):
    name, base = cpp_name(typedef.name), BASES[type(typedef.type)]
    return [f"class {name} : public {base} {{", "public:"]


def default_constructor(typedef):
    name, base = cpp_name(typedef.name), BASES[type(typedef.type)]
    return f"    {name}() : {base}(&theInfo) {{}}"


def lifetime(typedef):
    name, base = cpp_name(typedef.name), BASES[type(typedef.type)]
    return [f"    ~{name}() override;",
            f"    {name}* clone() const {{ return static_cast<{name}*>({base}::clone()); }}"]


def record_declarations(arrays):
    return ["    static const InfoType theInfo;"] + [f"    static {a};" for a in arrays] + ["};"]


def sequence_class(typedef):
    body = typedef.type
    members = [Member(typedef, c) for c in body.components]
    lines = class_head(typedef) + [m.scope() for m in members]
    lines += ["", default_constructor(typedef)] + lifetime(typedef) + [""]
    for pos, m in enumerate(members):
        t, n = m.value_type, m.name
        optional = optional_number(body, pos)
        if optional is None:
            lines += [
                f"    const {t}& get_{n}() const {{ return ASN1::SEQUENCE::fieldAs<{t}>({pos}); }}",
                f"    {t}& set_{n}() {{ return ASN1::SEQUENCE::fieldAs<{t}>({pos}); }}",
                f"    {t}& ref_{n}() {{ return ASN1::SEQUENCE::fieldAs<{t}>({pos}); }}"]
        else:
            lines += [
                f"    const {t}& get_{n}() const {{ return ASN1::SEQUENCE::optionalFieldAs<{t}>({pos}, {optional}); }}",
                f"    {t}& set_{n}() {{ return ASN1::SEQUENCE::includedFieldAs<{t}>({optional}, {pos}); }}",
                f"    {t}& ref_{n}() {{ return ASN1::SEQUENCE::includedFieldAs<{t}>({optional}, {pos}); }}"]
        lines += [f"    void set_{n}({a} v) {{ set_{n}() = v; }}" for a in m.arguments()]
        if optional is not None:
            lines += [f"    void omit_{n}() {{ ASN1::SEQUENCE::removeOptionalField({optional}); }}",
                      f"    bool {n}_isPresent() const {{ return ASN1::SEQUENCE::hasOptionalField({optional}); }}"]
    count = len(members)
    arrays = [f"const void* const fieldInfos[{count}]", f"const int fieldIds[{count}]",
              f"const char* const fieldNames[{count}]"] if count else []
    return lines + [""] + record_declarations(arrays)


def optional_number(body, pos):
    """The presence bit of field `pos`: OPTIONAL root fields count from 0, the additions
    continue after them; None for a mandatory root field."""
    component = body.components[pos]
    if component.addition:
        return sum(1 for c in body.root if c.optional) + pos - len(body.root)
    if component.optional:
        return sum(1 for c in body.components[:pos] if c.optional)
    return None


def choice_class(typedef):
    body = typedef.type
    name = cpp_name(typedef.name)
    members = [Member(typedef, a) for a in body.alternatives]
    lines = class_head(typedef)
    lines += [m.scope(f" struct Id {{ static constexpr int value = {i}; }};") for i, m in enumerate(members)]
    lines += ["", default_constructor(typedef)]
    for i, m in enumerate(members):
        arguments = m.arguments() or ["const ASN1::Null&"]
        lines += [f"    {name}({m.name}::Id, {a} v) : ASN1::CHOICE(&theInfo, {i}, new {m.value_type}(v)) {{}}"
                  for a in arguments]
    lines += lifetime(typedef) + [""]
    for i, m in enumerate(members):
        t, n = m.value_type, m.name
        lines += [
            f"    const {t}& get_{n}() const {{ return ASN1::CHOICE::selectionAs<{t}>({i}, \"{n}\"); }}",
            f"    {t}& ref_{n}() {{ return ASN1::CHOICE::selectedAs<{t}>({i}, \"{n}\"); }}",
            f"    {t}& select_{n}() {{ return ASN1::CHOICE::selectNewAs<{t}>({i}); }}"]
        lines += [f"    {t}& select_{n}({a} v) {{ return select_{n}() = v; }}" for a in m.arguments()]
        lines.append(f"    bool {n}_isSelected() const {{ return ASN1::CHOICE::currentSelection() == {i}; }}")
    count = len(members)
    arrays = [f"const void* const selectionInfos[{count}]", f"const char* const selectionNames[{count}]"]
    return lines + [""] + record_declarations(arrays)


def enumerated_class(typedef):
    body = typedef.type
    name = cpp_name(typedef.name)
    enumerators = ", ".join(f"{cpp_name(item.name)} = {item.value}" for item in body.items)
    lines = class_head(typedef) + [f"    enum NamedNumber : int {{ {enumerators} }};", ""]
    lines += [f"    {name}() : ASN1::ENUMERATED(&theInfo) {{}}",
              f"    {name}(NamedNumber n) : ASN1::ENUMERATED(n, &theInfo) {{}}"] + lifetime(typedef)
    lines += [f"    {name}& operator=(NamedNumber n) {{ ASN1::ENUMERATED::setFromInt(n); return *this; }}",
              "    operator NamedNumber() const { return NamedNumber(ASN1::ENUMERATED::asInt()); }", ""]
    for item in body.items:
        n = cpp_name(item.name)
        lines += [f"    void set_{n}() {{ ASN1::ENUMERATED::setFromInt({n}); }}",
                  f"    bool is_{n}() const {{ return ASN1::ENUMERATED::asInt() == {n}; }}"]
    lines += [""] + record_declarations([])
    lines.append(f"extern const char* const {name}_enum_names__[{len(body.items)}];")
    return lines


# Source


def source(module, source_name, include_dir):
    lines = banner(module, source_name)
    lines += [f'#include "{include_dir}/{module.name}.h"', "", f"namespace {module.name} {{"]
    for typedef in module.types:
        lines += ["", f"// {typedef.name}"]
        lines += RECORD_WRITERS[type(typedef.type)](typedef)
        name, base = cpp_name(typedef.name), BASES[type(typedef.type)]
        lines += [f"{name}::~{name}() = default;",
                  f"static_assert(sizeof({name}) == sizeof({base}), \"a generated class adds no data\");"]
    lines += ["", f"}}  // namespace {module.name}", ""]
    return "\n".join(lines)


def table(declaration, values):
    return [f"HALVOX_CONSTINIT const {declaration} = {{", *(f"    {v}," for v in values), "};"]


def sequence_records(typedef):
    body = typedef.type
    name = cpp_name(typedef.name)
    members = [Member(typedef, c) for c in body.components]
    lines = [line for m in members if m.subtype for line in m.subtype_record()]
    ids = ["-1" if optional_number(body, pos) is None else
           "0" if component.addition else str(optional_number(body, pos))
           for pos, component in enumerate(body.components)]
    optional = sum(1 for c in body.root if c.optional)
    count = len(members)
    if count:
        lines += table(f"void* const {name}::fieldInfos[{count}]", [m.record for m in members])
        lines.append(f"HALVOX_CONSTINIT const int {name}::fieldIds[{count}] = {{{', '.join(ids)}}};")
        lines += table(f"char* const {name}::fieldNames[{count}]", [f'"{m.asn_name}"' for m in members])
    arrays = "fieldInfos, fieldIds" if count else "nullptr, nullptr"
    names = "fieldNames" if count else "nullptr"
    lines.append(f"HALVOX_CONSTINIT const {name}::InfoType {name}::theInfo = {{{{&ASN1::SEQUENCE::create, 0x10}}, "
                 f"{str(body.extensible).lower()}, {arrays}, {len(body.root)}, {len(body.additions)}, "
                 f"{optional}, nullptr, nullptr, {names}}};")
    return lines


def choice_records(typedef):
    body = typedef.type
    name = cpp_name(typedef.name)
    members = [Member(typedef, a) for a in body.alternatives]
    lines = [line for m in members if m.subtype for line in m.subtype_record()]
    count = len(members)
    lines += table(f"void* const {name}::selectionInfos[{count}]", [m.record for m in members])
    lines += table(f"char* const {name}::selectionNames[{count}]", [f'"{m.asn_name}"' for m in members])
    lines.append(f"HALVOX_CONSTINIT const {name}::InfoType {name}::theInfo = {{{{&ASN1::CHOICE::create, 0}}, "
                 f"{str(body.extensible).lower()}, selectionInfos, {len(body.root)}, {count}, nullptr, "
                 "selectionNames};")
    return lines


def enumerated_records(typedef):
    """Item texts in item order; an item numbered in the description keeps "=N" in its text."""
    body = typedef.type
    name = cpp_name(typedef.name)
    count = len(body.items)
    texts = [f'"{item.name}"' if item.number is None else f'"{item.name}={item.number}"'
             for item in body.items]
    lines = table(f"char* const {name}_enum_names__[{count}]", texts)
    numbers = ", ".join(str(item.value) for item in body.items)
    lines.append(f"static HALVOX_CONSTINIT const int {name}_enum_numbers__[{count}] = {{{numbers}}};")
    lines.append(f"HALVOX_CONSTINIT const {name}::InfoType {name}::theInfo = {{{{&ASN1::ENUMERATED::create, 10}}, "
                 f"{str(body.extensible).lower()}, {body.maximum}, {name}_enum_names__, {count}, "
                 f"{name}_enum_numbers__}};")
    return lines


CLASS_WRITERS = {Sequence: sequence_class, Choice: choice_class, Enumerated: enumerated_class}
RECORD_WRITERS = {Sequence: sequence_records, Choice: choice_records, Enumerated: enumerated_records}
