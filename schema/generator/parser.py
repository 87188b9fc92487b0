"""Reads one module description, the X.680 subset the control protocol is written in:

    NAME DEFINITIONS AUTOMATIC TAGS ::= BEGIN
    IMPORTS Type, ... FROM OTHER ... ;
    Name ::= SEQUENCE { field Type [OPTIONAL], ... [, ... [, addition Type]] }
    Name ::= CHOICE { alternative [index] Type, ... [, ... [, addition [index] Type]] }
    Name ::= ENUMERATED { item, item(number), ... [, ...] }
    END

Field and alternative types are INTEGER [(lower..upper)], BOOLEAN, NULL, OCTET STRING,
BIT STRING, IA5String [(SIZE(lower..upper))], OBJECT IDENTIFIER, SEQUENCE OF / SET OF a
type, or the name of a type. Names may contain underscores."""

from model import (Alternative, Builtin, Choice, Component, Enumerated, Item, ListOf, Module,
                   Reference, SchemaError, Sequence, TypeDef)
from lexer import tokenize


class Parser:
    def __init__(self, text, file):
        self.file = file
        self.tokens, self.comments = tokenize(text, file)
        self.pos = 0

    # Token access

    @property
    def token(self):
        return self.tokens[self.pos]

    def peek(self, offset=1):
        return self.tokens[min(self.pos + offset, len(self.tokens) - 1)]

    def fail(self, message, token=None):
        token = token or self.token
        found = token.text or "the end of the file"
        raise SchemaError(token.where, f"{message}, found {found!r}")

    def accept(self, text):
        if self.token.text == text and self.token.kind != "end":
            self.pos += 1
            return True
        return False

    def expect(self, text):
        if not self.accept(text):
            self.fail(f"expected {text!r}")

    def name(self, what):
        if self.token.kind != "name":
            self.fail(f"expected {what}")
        token = self.token
        self.pos += 1
        return token

    def number(self):
        if self.token.kind != "number":
            self.fail("expected a number")
        value = int(self.token.text)
        self.pos += 1
        return value

    def comment_above(self, line):
        """The comment lines standing directly above `line`, top first."""
        lines = []
        while line - 1 in self.comments:
            line -= 1
            lines.insert(0, self.comments[line])
        return lines

    # Module

    def module(self):
        head = self.name("the module name")
        module = Module(head.text, self.file, head.where, comment=self.comment_above(head.where.line))
        self.expect("DEFINITIONS")
        self.expect("AUTOMATIC")
        self.expect("TAGS")
        self.expect("::=")
        self.expect("BEGIN")
        if self.accept("IMPORTS"):
            self.imports(module)
        while not self.accept("END"):
            module.types.append(self.assignment(module))
        if self.token.kind != "end":
            self.fail("expected the end of the file after END")
        return module

    def imports(self, module):
        while not self.accept(";"):
            symbols = [self.name("an imported type name")]
            while self.accept(","):
                symbols.append(self.name("an imported type name"))
            self.expect("FROM")
            source = self.name("a module name").text
            for symbol in symbols:
                if symbol.text in module.imports:
                    raise SchemaError(symbol.where, f"{symbol.text} is imported twice")
                module.imports[symbol.text] = (source, symbol.where)

    def assignment(self, module):
        name = self.name("a type assignment")
        if not name.text[0].isupper():
            raise SchemaError(name.where, f"type name {name.text} must begin with a capital")
        self.expect("::=")
        comment = self.comment_above(name.where.line)
        if self.accept("SEQUENCE"):
            if self.token.text == "OF":
                self.fail("a named type must be a SEQUENCE, CHOICE or ENUMERATED")
            body = self.sequence()
        elif self.accept("CHOICE"):
            body = self.choice()
        elif self.accept("ENUMERATED"):
            body = self.enumerated()
        else:
            self.fail("a named type must be a SEQUENCE, CHOICE or ENUMERATED")
        return TypeDef(name.text, body, module, name.where, comment)

    # Constructed types

    def members(self, member):
        """The members of a { ... } list and whether it holds the extension marker; each
        member is made by `member(addition)`."""
        self.expect("{")
        members = []
        extensible = False
        if self.accept("}"):
            return members, extensible
        while True:
            if self.accept("..."):
                if extensible:
                    self.fail("a second extension marker")
                extensible = True
            else:
                members.append(member(extensible))
            if self.accept("}"):
                return members, extensible
            self.expect(",")

    def sequence(self):
        def component(addition):
            name = self.name("a field name")
            field_type = self.member_type()
            optional = self.accept("OPTIONAL")
            if self.token.text == "DEFAULT":
                self.fail("DEFAULT values are not supported")
            return Component(name.text, field_type, optional, addition, name.where)

        return Sequence(*self.members(component))

    def choice(self):
        def alternative(addition):
            name = self.name("an alternative name")
            if not self.accept("["):
                self.fail(f"expected the index of alternative {name.text} as [number]")
            number = self.number()
            self.expect("]")
            return Alternative(name.text, number, self.member_type(), addition, name.where)

        return Choice(*self.members(alternative))

    def enumerated(self):
        def item(addition):
            name = self.name("an item name")
            if addition:
                raise SchemaError(name.where, "enumeration items after the extension marker are not supported")
            number = None
            if self.accept("("):
                number = self.number()
                self.expect(")")
            return Item(name.text, number, name.where)

        items, extensible = self.members(item)
        if not items:
            self.fail("an enumeration needs at least one item")
        return Enumerated(items, extensible)

    # Field and alternative types

    def member_type(self):
        token = self.token
        if token.text in ("SEQUENCE", "SET"):
            self.pos += 1
            if self.token.text == "{":
                self.fail("an inline type must be given a name of its own")
            self.expect("OF")
            return ListOf(token.text, self.member_type())
        if token.text in ("CHOICE", "ENUMERATED"):
            self.fail("an inline type must be given a name of its own")
        if self.accept("INTEGER"):
            lower, upper = self.range(size=False)
            return Builtin("INTEGER", lower, upper)
        if self.accept("IA5String"):
            lower, upper = self.range(size=True)
            return Builtin("IA5String", lower, upper)
        for first, second in (("OCTET", "STRING"), ("BIT", "STRING"), ("OBJECT", "IDENTIFIER")):
            if self.accept(first):
                self.expect(second)
                return Builtin(f"{first} {second}")
        for simple in ("BOOLEAN", "NULL"):
            if self.accept(simple):
                return Builtin(simple)
        name = self.name("a type")
        if not name.text[0].isupper():
            raise SchemaError(name.where, f"expected a type, found {name.text!r}")
        if self.token.text == ".":
            self.fail("name a type of another module through IMPORTS")
        return Reference(name.text, name.where)

    def range(self, size):
        """An optional (lower..upper), or (SIZE(lower..upper)) for a string."""
        if not self.accept("("):
            return None, None
        if size:
            self.expect("SIZE")
            self.expect("(")
        start = self.token
        lower = self.number()
        self.expect("..")
        upper = self.number()
        if size:
            self.expect(")")
        self.expect(")")
        if lower > upper:
            raise SchemaError(start.where, f"empty range {lower}..{upper}")
        return lower, upper


def parse(text, file):
    return Parser(text, file).module()
