// Marks a global that must be initialised at compile time, so that static
// constructors and destructors of other files may use it in any order; the
// compiler refuses the definition when it is not.
#pragma once

#if defined(__clang__)
#define HALVOX_CONSTINIT __attribute__((require_constant_initialization))
#else
#define HALVOX_CONSTINIT __constinit
#endif
