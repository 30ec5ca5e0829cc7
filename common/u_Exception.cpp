#include "u_Exception.h"

#include "u_HostPlatform.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <vector>

namespace format_detail {
std::string FormatV(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list copy;
    va_copy(copy, ap);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    std::string result;
    if (n < 0) {
        va_end(copy);
        return std::string(fmt);
    }
    if (static_cast<size_t>(n) < sizeof small) {
        result.assign(small, static_cast<size_t>(n));
    } else {
        std::vector<char> big(static_cast<size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), fmt, copy);
        result.assign(big.data(), static_cast<size_t>(n));
    }
    va_end(copy);
    return result;
}
} // namespace format_detail

EOSError::EOSError(int code, const std::string& description)
    : Exception(Format("System Error.  Code: %d.\r\n%s", code, description)), FCode(code) {}

std::string SysErrorMessage(int errnoValue) {
    return HostErrorText(errnoValue);
}

void RaiseOSError(int errnoValue, const std::string& fileName) {
    std::string description = SysErrorMessage(errnoValue);
    if (!fileName.empty())
        description = Format("%s: \"%s\"", description, fileName);
    throw EOSError(errnoValue, description);
}

std::string ExceptionMessage(const std::exception& e) {
    if (auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message();
    return e.what();
}
