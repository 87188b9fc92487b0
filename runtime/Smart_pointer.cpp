#include "runtime/Smart_pointer.h"

#include <exception>
#include <iostream>

void SmartPtrAssertion() {
    std::clog << "SMART POINTER ASSERTION!" << std::endl;
    std::terminate();
}
