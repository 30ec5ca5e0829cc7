// The case-blind comparison must agree with its sort key and be antisymmetric on any bytes.
#include "u_CaseBlind.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const size_t half = size / 2;
    const std::string_view a = all.substr(0, half), b = all.substr(half);
    const int c = CompareTextCaseBlind(a, b);
    const int k = CaseBlindKey(a).compare(CaseBlindKey(b));
    if (c != (k < 0 ? -1 : (k > 0 ? 1 : 0)) || c != -CompareTextCaseBlind(b, a))
        std::abort();
    return 0;
}
