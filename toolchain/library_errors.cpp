// The standard library's error hooks, for the product only. libstdc++'s own versions
// construct std::logic_error and friends, whose reference-counted message string
// pulls in a second complete string class; these raise the program's own error, which
// every handler of the program shows the same way (what() is all it reads).
#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

#include "hw/program_error.h"

namespace std {

void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
void __throw_length_error(const char* message) { throw ProgramError(message); }
void __throw_logic_error(const char* message) { throw ProgramError(message); }
void __throw_out_of_range(const char* message) { throw ProgramError(message); }
void __throw_invalid_argument(const char* message) { throw ProgramError(message); }
void __throw_out_of_range_fmt(const char* format, ...) { throw ProgramError(format); }

}  // namespace std

// An exception that escapes everything ends the program; libstdc++'s default handler
// would first print its demangled type, pulling a demangler into the executable.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
