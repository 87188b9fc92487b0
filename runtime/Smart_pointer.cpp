#include "runtime/Smart_pointer.h"

#include <exception>
#include <iostream>

namespace {

[[noreturn]] void EndWith(const char* message) {
    std::clog << message << std::endl;
    std::terminate();
}

}  // namespace

void SmartPtrAssertion() { EndWith("SMART POINTER ASSERTION!"); }

void SharedPtrAssertion() { EndWith("SHARED POINTER ASSERTION!"); }
