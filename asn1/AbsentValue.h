// What a typed accessor hands out for an absent OPTIONAL field or an unselected
// alternative: a default value of the type, never a null or mistyped reference.
#pragma once

namespace ASN1 {
namespace detail {

// One line on std::cerr naming the accessor (get_ and `name`) and what was missing.
void reportAbsent(const char* what, const char* name);
// One line on std::cerr naming the accessor (ref_ and `name`) that had to select its
// alternative because another one (or none) was selected.
void reportReselected(const char* name);

// The type's initial value, made once.
template <class T>
const T& defaultValue() {
    static const T value;
    return value;
}

}  // namespace detail
}  // namespace ASN1
