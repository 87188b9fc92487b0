// The types of the test schema by module and name, as another ASN.1 tool names them.
#pragma once

#include <string>

namespace PerTest {

struct SchemaType {
    const char* module;
    const char* name;
    const void* info;
};

// The named type, or null.
const SchemaType* findType(const std::string& module, const std::string& name);
// The named type whose record is `info`, or null.
const SchemaType* findType(const void* info);

}  // namespace PerTest
