"""Splits a description into X.680 tokens, keeping the whole-line comments by line."""

import re
from dataclasses import dataclass

from model import SchemaError, Where

# Names may hold hyphens (never two in a row, never last) and underscores.
_TOKEN = re.compile(
    r"""
      (?P<space>\s+)
    | (?P<comment>--.*?(?:--|$))
    | (?P<block>/\*.*?\*/)
    | (?P<name>[A-Za-z][A-Za-z0-9_]*(?:-[A-Za-z0-9_]+)*)
    | (?P<number>-?[0-9]+)
    | (?P<punct>::=|\.\.\.|\.\.|[{}()\[\],;.])
    """,
    re.VERBOSE | re.MULTILINE | re.DOTALL,
)


@dataclass
class Token:
    kind: str  # "name", "number", "punct" or "end"
    text: str
    where: Where


def tokenize(text, file):
    """Returns the tokens (ending with an "end" token) and the comments standing alone on
    their lines, as a map from line number to comment text."""
    tokens = []
    comments = {}
    line = 1
    pos = 0
    while pos < len(text):
        match = _TOKEN.match(text, pos)
        if not match:
            raise SchemaError(Where(file, line), f"unexpected character {text[pos]!r}")
        kind = match.lastgroup
        value = match.group()
        if kind == "comment":
            line_start = text.rfind("\n", 0, pos) + 1
            if not text[line_start:pos].strip():
                comments[line] = value[2:].removesuffix("--").strip()
        elif kind in ("name", "number", "punct"):
            tokens.append(Token(kind, value, Where(file, line)))
        line += value.count("\n")
        pos = match.end()
    tokens.append(Token("end", "", Where(file, line)))
    return tokens, comments
