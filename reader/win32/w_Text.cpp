#include "w_Text.h"

#include <oleauto.h>

std::wstring Wide(std::string_view Utf8) {
    if (Utf8.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), int(Utf8.size()), nullptr, 0);
    std::wstring result(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), int(Utf8.size()), result.data(), n);
    return result;
}

std::string Utf8(std::wstring_view Wide) {
    if (Wide.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, Wide.data(), int(Wide.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, Wide.data(), int(Wide.size()), result.data(), n, nullptr, nullptr);
    return result;
}

std::string Utf8(BSTR Text) {
    return Text ? Utf8(std::wstring_view(Text, SysStringLen(Text))) : std::string();
}
