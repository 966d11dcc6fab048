// The program is built without exceptions.  The standard containers still
// name the library's throwing helpers for impossible sizes; defining them
// here keeps the exception and unwinding machinery (and its demangler) out of
// the executable, and routes such a request to the one error box.
#include <cstdint>

#include "forms/app.h"

namespace std {

[[noreturn]] void __throw_bad_alloc() { forms::Fatal(forms::AllocFailureMessage(SIZE_MAX).c_str()); }
[[noreturn]] void __throw_bad_array_new_length() { __throw_bad_alloc(); }
[[noreturn]] void __throw_length_error(const char*) { __throw_bad_alloc(); }

}  // namespace std
