// Selvaro.exe's own copy of libstdc++'s default terminate handler. The library's one names the
// exception's type through the C++ name demangler, about 45 KB of code and tables that nothing
// else in the program uses; this one writes the same lines to stderr with the type's name as the
// compiler records it (mangled), then aborts just as the library's does. Linked into Selvaro.exe
// only: being defined here, the library's handler and the demangler are not taken from
// libstdc++.a at all.
#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <typeinfo>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    static bool terminating = false;
    if (terminating) {
        std::fputs("terminate called recursively\n", stderr);
        std::abort();
    }
    terminating = true;

    const std::type_info* type = abi::__cxa_current_exception_type();
    if (type == nullptr) {
        std::fputs("terminate called without an active exception\n", stderr);
        std::abort();
    }
    std::fputs("terminate called after throwing an instance of '", stderr);
    std::fputs(type->name(), stderr);
    std::fputs("'\n", stderr);
    // A standard exception also tells what happened.
    try {
        throw;
    } catch (const std::exception& error) {
        std::fputs("  what():  ", stderr);
        std::fputs(error.what(), stderr);
        std::fputs("\n", stderr);
    } catch (...) {
    }
    std::abort();
}

}  // namespace __gnu_cxx
