#!/usr/bin/env python3
"""The schema generator: reads ASN.1 module descriptions and writes, per module, the C++
header and source of its generated classes and type records.

    generate.py --out DIR --include-dir PREFIX FILE.asn...   write DIR/M.h and DIR/M.cpp
    generate.py --catalog FILE --include-dir PREFIX FILE.asn...   the list of all types
    generate.py --list FILE.asn...                         print the types as a list

Every description given is read and checked together, so imports resolve across them.
A file is rewritten only when its text changes, so unchanged modules are not rebuilt."""

import argparse
import os
import sys

import catalog
import cpp
import listform
from check import check
from model import SchemaError
from parser import parse


def write_if_changed(path, text):
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    except FileNotFoundError:
        pass
    with open(path + ".tmp", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def read(files):
    modules = []
    for file in files:
        with open(file, encoding="utf-8") as f:
            module = parse(f.read(), file)
        if os.path.splitext(os.path.basename(file))[0] != module.name:
            raise SchemaError(module.where, f"module {module.name} must be described in {module.name}.asn")
        modules.append(module)
    return check(modules)


def main(argv):
    options = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    options.add_argument("--out", help="directory for the generated header and source files")
    options.add_argument("--include-dir", default="schema", help="include path of the headers")
    options.add_argument("--catalog", help="write the list of all types to this file")
    options.add_argument("--list", action="store_true", help="print the types as a list")
    options.add_argument("files", nargs="+")
    args = options.parse_args(argv)
    try:
        modules = read(args.files)
    except SchemaError as error:
        print(error, file=sys.stderr)
        return 1
    if args.list:
        for module in modules:
            print("\n".join(listform.module_lines(module)))
    if args.out:
        os.makedirs(args.out, exist_ok=True)
        for module in modules:
            name = os.path.basename(module.file)
            base = os.path.join(args.out, module.name)
            write_if_changed(base + ".h", cpp.header(module, name, args.include_dir))
            write_if_changed(base + ".cpp", cpp.source(module, name, args.include_dir))
    if args.catalog:
        write_if_changed(args.catalog, catalog.catalog(modules, args.include_dir))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
