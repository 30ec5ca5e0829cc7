// The check that refuses branded values a book could not read back: whatever text it
// passes must read as a variables file through the XML reader's windowed buffer, and it
// never crashes or hangs on any text.
//
// Input: two bytes (little-endian) of a repeat count, then the text. The text's last line
// is repeated that many times (up to about 1 MB in all), so that lines longer than the
// reader's window and texts spanning several windows are reached from small inputs.
#include "u_Branding.h"
#include "u_Variables.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const size_t repeat = data[0] | (data[1] << 8);
    std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    const size_t lastLine = text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1;
    const std::string tail = text.substr(lastLine);
    for (size_t i = 0; i < repeat && !tail.empty() && text.size() + tail.size() <= (1u << 20); ++i)
        text += tail;
    try {
        CheckVariablesXml(text);
    } catch (const EBrandingError&) {
        return 0;
    }
    // Passed: the book will read it.
    try {
        const TVariables table(text, false);
    } catch (...) {
        std::abort();
    }
    return 0;
}
