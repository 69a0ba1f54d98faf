// Parts of the C++ runtime that the setup program replaces to stay small.
//
// The runtime's default terminate handler pulls in the demangler, and its
// throwers for failed checks (string too long, index out of range and the like)
// build exception objects around a second string implementation: together more
// than 60 KB. A setup program only needs to end on terminate, and every such
// check it can fail means it cannot hold what it was asked to, which it already
// handles as std::bad_alloc.

#include <cstdlib>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_cast() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_typeid() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_exception() { throw bad_alloc(); }
[[noreturn]] void __throw_logic_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_domain_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_invalid_argument(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_length_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_out_of_range(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { throw bad_alloc(); }
[[noreturn]] void __throw_runtime_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_range_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_overflow_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_underflow_error(const char*) { throw bad_alloc(); }
}  // namespace std
