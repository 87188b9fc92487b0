"""The generator's refusals of faulty descriptions, its numbering rule and its list form."""

import os
import tempfile
import unittest

from check import check
from listform import module_lines
from model import SchemaError
from parser import parse
import generate


def modules(*texts):
    return check([parse(text, f"{text.split()[0]}.asn") for text in texts])


def module(body, name="M", imports=""):
    return f"{name} DEFINITIONS AUTOMATIC TAGS ::= BEGIN\n{imports}\n{body}\nEND\n"


class Refusals(unittest.TestCase):
    def refused(self, message, *texts):
        with self.assertRaises(SchemaError) as raised:
            modules(*texts)
        self.assertIn(message, str(raised.exception))
        return str(raised.exception)

    def test_duplicate_names(self):
        self.refused("type T is defined twice", module("T ::= SEQUENCE { a NULL }\nT ::= SEQUENCE { b NULL }"))
        # Hyphen and underscore give the same C++ name.
        self.refused("a_b appears twice", module("T ::= CHOICE { a-b [0] NULL, a_b [1] NULL }"))
        self.refused("x appears twice", module("E ::= ENUMERATED { x, y, x(5) }"))

    def test_unresolved_references(self):
        where = self.refused("type Missing is not defined in M nor imported",
                             module("T ::= SEQUENCE {\n  a Missing\n}"))
        self.assertTrue(where.startswith("M.asn:4: error"), where)
        self.refused("imported from N, which is not described",
                     module("T ::= SEQUENCE { a X }", imports="IMPORTS X FROM N;"))
        self.refused("imported from N, which does not define it",
                     module("T ::= SEQUENCE { a X }", imports="IMPORTS X FROM N;"),
                     module("Y ::= SEQUENCE { a NULL }", name="N"))
        self.refused("X is imported from N but not used",
                     module("T ::= SEQUENCE { a NULL }", imports="IMPORTS X FROM N;"),
                     module("X ::= SEQUENCE { a NULL }", name="N"))

    def test_alternative_numbering(self):
        self.refused("alternative c has index 3, expected 2",
                     module("T ::= CHOICE { a [0] NULL, b [1] NULL, c [3] NULL }"))
        # Additions continue the root's count.
        self.refused("alternative c has index 0, expected 2",
                     module("T ::= CHOICE { a [0] NULL, b [1] NULL, ..., c [0] NULL }"))
        self.refused("expected the index of alternative a", module("T ::= CHOICE { a NULL }"))

    def test_what_cpp_cannot_hold(self):
        self.refused("member name new clashes", module("T ::= SEQUENCE { new NULL }"))
        self.refused("member name get-a clashes", module("T ::= SEQUENCE { a NULL, get-a NULL }"))
        self.refused("member name Item clashes",
                     module("T ::= SEQUENCE { Item Item }\nItem ::= ENUMERATED { x }"))
        self.refused("types contain each other: A -> B -> A",
                     module("A ::= SEQUENCE { b B }\nB ::= CHOICE { a [0] A }"))
        self.refused("modules import each other",
                     module("A ::= SEQUENCE { b B }", name="M", imports="IMPORTS B FROM N;"),
                     module("B ::= SEQUENCE { a A }", name="N", imports="IMPORTS A FROM M;"))
        self.refused("range 0..4294967296 does not fit 32 bits",
                     module("T ::= SEQUENCE { a INTEGER (0..4294967296) }"))
        self.refused("range -1..4294967295 does not fit 32 bits",
                     module("T ::= SEQUENCE { a INTEGER (-1..4294967295) }"))
        self.refused("empty range 5..4", module("T ::= SEQUENCE { a INTEGER (5..4) }"))
        self.refused("an inline type must be given a name", module("T ::= SEQUENCE { a CHOICE { b [0] NULL } }"))
        self.refused("a named type must be a SEQUENCE, CHOICE or ENUMERATED", module("T ::= INTEGER"))
        self.refused("enumeration items after the extension marker", module("E ::= ENUMERATED { a, ..., b }"))

    def test_module_file_name(self):
        with tempfile.TemporaryDirectory() as directory:
            path = os.path.join(directory, "OTHER.asn")
            with open(path, "w") as f:
                f.write(module("T ::= SEQUENCE { a NULL }"))
            with self.assertRaises(SchemaError) as raised:
                generate.read([path])
            self.assertIn("module M must be described in M.asn", str(raised.exception))


class Numbering(unittest.TestCase):
    def test_unnumbered_item_follows_the_one_before(self):
        (m,) = modules(module("E ::= ENUMERATED { a, b(-3), c, d(10), e, f(2), g, h(10), i }"))
        items = m.types[0].type.items
        self.assertEqual([0, -3, -2, 10, 11, 2, 3, 10, 11], [i.value for i in items])
        self.assertEqual(11, m.types[0].type.maximum)


class ListForm(unittest.TestCase):
    def test_types_print_as_a_list(self):
        base = module("Count ::= SEQUENCE { low INTEGER, ... }", name="B")
        text = module("""
            Message ::= SEQUENCE { seq INTEGER OPTIONAL, slot INTEGER (0..1023) OPTIONAL, pdu PDU }
            PDU ::= CHOICE { none [0] NULL, list [1] SEQUENCE OF B-Count, ..., name [2] IA5String (SIZE(1..64)) }
            Level ::= ENUMERATED { low(1), high, ... }
            B-Count ::= SEQUENCE { c Count, set SET OF Level, bits BIT STRING }""",
                      imports="IMPORTS Count FROM B;")
        lines = module_lines(modules(base, text)[1])
        self.assertEqual([
            "Module `M`:",
            "- `Message` SEQUENCE: `seq` INTEGER OPTIONAL; `slot` INTEGER (0..1023) OPTIONAL; "
            "`pdu` `PDU`. Not extensible.",
            "- `PDU` CHOICE: 0 `none` NULL; 1 `list` SEQUENCE OF `B-Count`; extension marker; "
            "2 `name` IA5String (SIZE(1..64)).",
            "- `Level` ENUMERATED: `low` 1, `high` 2, extension marker.",
            "- `B-Count` SEQUENCE: `c` `B::Count`; `set` SET OF `Level`; `bits` BIT STRING. "
            "Not extensible.",
        ], lines)


if __name__ == "__main__":
    unittest.main()
