"""Prints a module's types back as a bulleted list, one line per type, so a description
can be read against the type lists it was transcribed from."""

from model import Builtin, Choice, ListOf, Sequence


def type_text(member_type, module):
    if isinstance(member_type, Builtin):
        if not member_type.bounded:
            return member_type.name
        if member_type.name == "INTEGER":
            return f"INTEGER ({member_type.lower}..{member_type.upper})"
        return f"{member_type.name} (SIZE({member_type.lower}..{member_type.upper}))"
    if isinstance(member_type, ListOf):
        return f"{member_type.kind} OF {type_text(member_type.element, module)}"
    target = member_type.target
    prefix = "" if target.module is module else f"{target.module.name}::"
    return f"`{prefix}{target.name}`"


def type_line(typedef):
    body = typedef.type
    module = typedef.module
    if isinstance(body, Sequence):
        parts = [f"`{c.name}` {type_text(c.type, module)}" + (" OPTIONAL" if c.optional else "")
                 for c in body.components]
        root = len(body.root)
        separator = "; "
    elif isinstance(body, Choice):
        parts = [f"{a.number} `{a.name}` {type_text(a.type, module)}" for a in body.alternatives]
        root = len(body.root)
        separator = "; "
    else:
        parts = [f"`{item.name}` {item.value}" for item in body.items]
        root = len(parts)
        separator = ", "
    if body.extensible:
        parts.insert(root, "extension marker")
        ending = "."
    else:
        ending = ". Not extensible."
    return f"- `{typedef.name}` {typedef.kind}: {separator.join(parts)}{ending}"


def module_lines(module):
    return [f"Module `{module.name}`:"] + [type_line(t) for t in module.types]
