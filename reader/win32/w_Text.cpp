#include "w_Text.h"

#include "u_Utf8.h"

#include <oleauto.h>

// wchar_t is UTF-16 on Windows: the shared converters' code units are the API's.
std::wstring Wide(std::string_view Utf8) {
    const std::u16string text = Utf8ToUtf16(Utf8);
    return std::wstring(text.begin(), text.end());
}

std::string Utf8(std::wstring_view Wide) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(Wide.data()), Wide.size()));
}

std::string Utf8(BSTR Text) {
    return Text ? Utf8(std::wstring_view(Text, SysStringLen(Text))) : std::string();
}
