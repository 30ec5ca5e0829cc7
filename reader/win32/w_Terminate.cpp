// The program's answer to an exception nobody catches: it ends at once. The runtime's
// own handler prints the exception's demangled type first, which drags the whole C++
// name demangler into a program every book carries; there is no console to read it on.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
