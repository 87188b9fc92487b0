// Every named type of the control-protocol schema with its record, written by the
// generator for the tests that walk all types.
#pragma once

namespace SchemaCatalog {

struct Entry {
    const char* module;
    const char* name;  // as the description spells it
    const void* info;
};

extern const Entry entries[];
extern const unsigned count;

}  // namespace SchemaCatalog
