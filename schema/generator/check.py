"""Resolves the names of a set of modules and refuses what the generated code could not
hold or what is most likely a slip of transcription."""

from model import (Builtin, Choice, Enumerated, ListOf, Reference, SchemaError, Sequence,
                   cpp_name)

INT_MIN, INT_MAX, UINT_MAX = -2**31, 2**31 - 1, 2**32 - 1

CPP_KEYWORDS = set("""
    alignas alignof and and_eq asm auto bitand bitor bool break case catch char char8_t
    char16_t char32_t class compl concept const consteval constexpr constinit const_cast
    continue co_await co_return co_yield decltype default delete do double dynamic_cast else
    enum explicit export extern false float for friend goto if inline int long mutable
    namespace new noexcept not not_eq nullptr operator or or_eq private protected public
    register reinterpret_cast requires return short signed sizeof static static_assert
    static_cast struct switch template this thread_local throw true try typedef typeid
    typename union unsigned using virtual void volatile wchar_t while xor xor_eq""".split())

# Names the generated classes use unqualified inside their own scope.
CLASS_NAMES = {"ASN1", "std", "InfoType", "theInfo", "clone", "NamedNumber", "fieldInfos",
               "fieldIds", "fieldNames", "selectionInfos", "selectionNames", "value_type", "Id"}


def check(modules):
    """Resolves and checks every module; returns the modules in an order in which each comes
    after the modules it imports."""
    by_name = {}
    for module in modules:
        if module.name in by_name:
            raise SchemaError(module.where, f"module {module.name} is described twice "
                              f"(also in {by_name[module.name].file})")
        by_name[module.name] = module
    for module in modules:
        check_names(module, by_name)
        for typedef in module.types:
            resolve(typedef, by_name)
        check_imports_used(module)
        class_order(module)
    return module_order(modules, by_name)


def check_names(module, by_name):
    seen = {}
    for typedef in module.types:
        key = cpp_name(typedef.name)
        if key in seen:
            raise SchemaError(typedef.where, f"type {typedef.name} is defined twice "
                              f"(first at {seen[key].where})")
        if key in CPP_KEYWORDS or key in by_name:
            raise SchemaError(typedef.where, f"type name {typedef.name} is not usable in C++")
        seen[key] = typedef
    for symbol, (source, where) in module.imports.items():
        if source == module.name:
            raise SchemaError(where, f"module {module.name} imports from itself")
        if source not in by_name:
            raise SchemaError(where, f"{symbol} is imported from {source}, which is not described")
        if not by_name[source].find(symbol):
            raise SchemaError(where, f"{symbol} is imported from {source}, which does not define it")
        if cpp_name(symbol) in seen:
            raise SchemaError(where, f"{symbol} is both imported and defined here")


def resolve(typedef, by_name):
    body = typedef.type
    if isinstance(body, Sequence):
        members = body.components
        check_sequence(typedef, body)
    elif isinstance(body, Choice):
        members = body.alternatives
        check_choice(typedef, body)
    else:
        members = body.items
        number_items(typedef, body)
    names = {}
    for member in members:
        key = cpp_name(member.name)
        if key in names:
            raise SchemaError(member.where, f"{member.name} appears twice in {typedef.name} "
                              f"(first at {names[key].where})")
        names[key] = member
    if not isinstance(body, Enumerated):
        for member in members:
            resolve_type(member.type, typedef, by_name)
    check_cpp_members(typedef, names)


def resolve_type(member_type, typedef, by_name):
    if isinstance(member_type, ListOf):
        if isinstance(member_type.element, Builtin) and member_type.element.bounded:
            raise SchemaError(typedef.where, f"{typedef.name}: a list element cannot carry a range or size")
        resolve_type(member_type.element, typedef, by_name)
    elif isinstance(member_type, Reference):
        module = typedef.module
        if member_type.name in module.imports:
            source = by_name[module.imports[member_type.name][0]]
            member_type.target = source.find(member_type.name)
        else:
            member_type.target = module.find(member_type.name)
        if not member_type.target:
            raise SchemaError(member_type.where, f"type {member_type.name} is not defined in "
                              f"{module.name} nor imported")
    elif isinstance(member_type, Builtin) and member_type.bounded:
        check_bounds(member_type, typedef)


def check_bounds(builtin, typedef):
    lower, upper = builtin.lower, builtin.upper
    if builtin.name == "INTEGER":
        if lower < INT_MIN or upper > UINT_MAX or (lower < 0 and upper > INT_MAX):
            raise SchemaError(typedef.where, f"{typedef.name}: range {lower}..{upper} does not fit 32 bits")
    elif lower < 0 or upper > INT_MAX:
        raise SchemaError(typedef.where, f"{typedef.name}: size {lower}..{upper} is out of range")


def check_sequence(typedef, body):
    if body.additions and not body.extensible:
        raise SchemaError(typedef.where, f"{typedef.name}: additions need the extension marker")


def check_choice(typedef, body):
    """Alternatives carry their index: 0, 1, 2 ... in order, the additions continuing the
    root's count, so a dropped or doubled alternative shows."""
    if not body.root:
        raise SchemaError(typedef.where, f"{typedef.name}: a CHOICE needs a root alternative")
    for index, alternative in enumerate(body.alternatives):
        if alternative.number != index:
            raise SchemaError(alternative.where, f"{typedef.name}: alternative {alternative.name} "
                              f"has index {alternative.number}, expected {index}")


def number_items(typedef, body):
    """An item without a number of its own takes the number before it plus one; a first item
    without one takes 0. Numbers may repeat."""
    previous = -1
    for item in body.items:
        item.value = item.number if item.number is not None else previous + 1
        if not INT_MIN <= item.value <= INT_MAX:
            raise SchemaError(item.where, f"{typedef.name}: number of {item.name} does not fit an int")
        previous = item.value


def check_cpp_members(typedef, members):
    """Every member name must make C++ identifiers that hide nothing the generated class
    needs and that no other member's accessors take."""
    body = typedef.type
    own = cpp_name(typedef.name)
    if isinstance(body, Enumerated):
        accessors = {f"{p}{name}" for name in members for p in ("set_", "is_")}
    elif isinstance(body, Choice):
        accessors = {f"{p}{name}{s}" for name in members
                     for p, s in (("get_", ""), ("ref_", ""), ("select_", ""), ("", "_isSelected"))}
    else:
        accessors = {f"{p}{name}{s}" for name in members
                     for p, s in (("get_", ""), ("set_", ""), ("ref_", ""), ("omit_", ""),
                                  ("", "_isPresent"))}
    used = {cpp_name(t.name) for t in referenced_types(typedef)}
    modules = {t.module.name for t in referenced_types(typedef)}
    for name, member in members.items():
        clash = (name in CPP_KEYWORDS or name in CLASS_NAMES or name == own or name in accessors
                 or name in used or name in modules)
        if clash:
            raise SchemaError(member.where, f"{typedef.name}: member name {member.name} clashes "
                              f"with a C++ keyword or a name of the generated class")


def referenced_types(typedef):
    """The named types that the fields or alternatives of `typedef` refer to, lists included."""
    body = typedef.type
    members = body.components if isinstance(body, Sequence) else (
        body.alternatives if isinstance(body, Choice) else [])
    found = []
    for member in members:
        member_type = member.type
        while isinstance(member_type, ListOf):
            member_type = member_type.element
        if isinstance(member_type, Reference):
            found.append(member_type.target)
    return found


def check_imports_used(module):
    for symbol, (source, where) in module.imports.items():
        for typedef in module.types:
            if any(t.name == symbol and t.module.name == source for t in referenced_types(typedef)):
                break
        else:
            raise SchemaError(where, f"{symbol} is imported from {source} but not used")


def dependency_order(items, dependencies, cycle):
    """`items` in an order in which each comes after what `dependencies(item)` gives, and
    otherwise in the order given; a cycle is refused with the message `cycle`."""
    order, state = [], {}

    def visit(item, path):
        if state.get(id(item)) == "done":
            return
        if state.get(id(item)) == "visiting":
            names = " -> ".join(p.name for p in path + [item])
            raise SchemaError(item.where, f"{cycle}: {names}")
        state[id(item)] = "visiting"
        for dependency in dependencies(item):
            visit(dependency, path + [item])
        state[id(item)] = "done"
        order.append(item)

    for item in items:
        visit(item, [])
    return order


def module_order(modules, by_name):
    def imported(module):
        return [by_name[source] for source in sorted({s for s, _ in module.imports.values()})]

    return dependency_order(modules, imported, "modules import each other")


def class_order(module):
    """The module's types in an order in which every class comes after the classes of its
    own module that its fields and alternatives hold directly (lists need no complete
    element type)."""
    def held(typedef):
        return [t.target for t in direct_member_types(typedef)
                if isinstance(t, Reference) and t.target.module is module]

    return dependency_order(module.types, held, "types contain each other")


def direct_member_types(typedef):
    body = typedef.type
    if isinstance(body, Sequence):
        return [c.type for c in body.components]
    if isinstance(body, Choice):
        return [a.type for a in body.alternatives]
    return []
