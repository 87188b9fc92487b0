#include "asn1/AbsentValue.h"

#include <iostream>

namespace ASN1 {
namespace detail {

void reportAbsent(const char* what, const char* name) {
    std::cerr << "ASN1: get_" << name << ": " << what << ", default value used" << std::endl;
}

void reportReselected(const char* name) {
    std::cerr << "ASN1: ref_" << name << ": alternative not selected, a new value selected"
              << std::endl;
}

}  // namespace detail
}  // namespace ASN1
