"""The schema as the generator sees it: modules of named types, read from the descriptions."""

from dataclasses import dataclass, field
from typing import List, Optional


@dataclass
class Where:
    """A place in a description file, for error messages."""

    file: str
    line: int

    def __str__(self):
        return f"{self.file}:{self.line}"


class SchemaError(Exception):
    """A description the generator refuses; the message names the place and the fault."""

    def __init__(self, where, message):
        super().__init__(f"{where}: error: {message}")


class Type:
    """Base of the type forms a field, an alternative or a named type can take."""


@dataclass
class Builtin(Type):
    """INTEGER, BOOLEAN, NULL, OCTET STRING, BIT STRING, IA5String or OBJECT IDENTIFIER.
    `lower` and `upper` are an INTEGER's range or a string's SIZE, when given."""

    name: str
    lower: Optional[int] = None
    upper: Optional[int] = None

    @property
    def bounded(self):
        return self.lower is not None


@dataclass
class ListOf(Type):
    """SEQUENCE OF or SET OF an element type."""

    kind: str  # "SEQUENCE" or "SET"
    element: Type


@dataclass
class Reference(Type):
    """A named type of this module or of an imported one; `target` is set on resolution."""

    name: str
    where: Where
    target: Optional["TypeDef"] = None


@dataclass
class Component:
    """A SEQUENCE field. Fields after the extension marker are its known additions."""

    name: str
    type: Type
    optional: bool
    addition: bool
    where: Where


@dataclass
class Alternative:
    """A CHOICE alternative with the index written in its tag."""

    name: str
    number: int
    type: Type
    addition: bool
    where: Where


@dataclass
class Item:
    """An ENUMERATED item; `number` is the one written, `value` the one it has."""

    name: str
    number: Optional[int]
    where: Where
    value: int = 0


@dataclass
class Sequence(Type):
    components: List[Component]
    extensible: bool

    @property
    def root(self):
        return [c for c in self.components if not c.addition]

    @property
    def additions(self):
        return [c for c in self.components if c.addition]


@dataclass
class Choice(Type):
    alternatives: List[Alternative]
    extensible: bool

    @property
    def root(self):
        return [a for a in self.alternatives if not a.addition]


@dataclass
class Enumerated(Type):
    items: List[Item]
    extensible: bool

    @property
    def maximum(self):
        return max(item.value for item in self.items)


@dataclass
class TypeDef:
    """A type assignment `Name ::= Type`, with the comment lines written above it."""

    name: str
    type: Type
    module: "Module"
    where: Where
    comment: List[str] = field(default_factory=list)

    @property
    def kind(self):
        return {Sequence: "SEQUENCE", Choice: "CHOICE", Enumerated: "ENUMERATED"}[type(self.type)]


@dataclass
class Module:
    name: str
    file: str
    where: Where
    imports: dict = field(default_factory=dict)  # symbol -> (module name, Where)
    types: List[TypeDef] = field(default_factory=list)
    comment: List[str] = field(default_factory=list)

    def find(self, name):
        return next((t for t in self.types if t.name == name), None)


def cpp_name(name):
    """The C++ identifier made from an ASN.1 name: hyphens become underscores."""
    return name.replace("-", "_")
