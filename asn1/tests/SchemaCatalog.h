// Every named type of a schema with its record, written by the schema generator for the
// tests that walk all types or find a type by its name.
#pragma once

#include <cstring>

namespace SchemaCatalog {

struct Entry {
    const char* module;
    const char* name;  // as the description spells it
    const void* info;
};

extern const Entry entries[];
extern const unsigned count;

// The named type, or null.
inline const Entry* find(const char* module, const char* name) {
    for (unsigned i = 0; i < count; ++i)
        if (!std::strcmp(entries[i].module, module) && !std::strcmp(entries[i].name, name))
            return &entries[i];
    return nullptr;
}

// The type whose record is `info`, or null.
inline const Entry* find(const void* info) {
    for (unsigned i = 0; i < count; ++i)
        if (entries[i].info == info) return &entries[i];
    return nullptr;
}

}  // namespace SchemaCatalog
