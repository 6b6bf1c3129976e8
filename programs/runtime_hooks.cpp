// The C++ runtime's hooks, replaced for the shipped programs so that the linker leaves out
// what the defaults would pull in: the name demangler and printf engine of the verbose
// terminate handler; the exception classes, reference-counted strings and random device
// behind the library's own "throw on misuse" helpers; and, behind operator new, the whole
// exception runtime for a program built without exceptions (the check). Those helpers run only on a
// misuse of the standard library (a string past its maximum size, a position past its end, an empty
// function called), which the programs never make; should one happen, the program ends at
// once, as an exception nobody catches would end it. The helpers are replaced all together,
// so that the library's own file of them is never linked beside these.
#include <cstdlib>
#include <new>

// Out of memory the programs end at once, as a bad_alloc that nobody catches would end them.
void* operator new(std::size_t size) {
    if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
    std::abort();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

// The C runtime's report of a failed math function, which printed it to the error output: the
// programs' one math call (the check's rounding of a version) cannot fail, and the default
// brings its texts and printf in.
struct _exception;
extern "C" int _matherr(_exception*) { return 0; }

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_exception() { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_cast() { std::abort(); }
void __throw_bad_typeid() { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_domain_error(const char*) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_runtime_error(const char*) { std::abort(); }
void __throw_range_error(const char*) { std::abort(); }
void __throw_overflow_error(const char*) { std::abort(); }
void __throw_underflow_error(const char*) { std::abort(); }
}  // namespace std
