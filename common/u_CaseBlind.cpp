#include "u_CaseBlind.h"

#include <unicode/uchar.h>

namespace {

// Units above the Unicode range stand for single invalid bytes.
constexpr char32_t kInvalidBase = 0x110000;

// Decodes one unit at position i and advances i. Overlong forms, surrogates and
// values above U+10FFFF are invalid; then only the first byte is consumed.
char32_t NextUnit(std::string_view s, size_t& i) noexcept {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    size_t len;
    char32_t cp;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return kInvalidBase + b0;
    }
    if (i + len > s.size()) {
        ++i;
        return kInvalidBase + b0;
    }
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kInvalidBase + b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kInvalidBase + b0;
    }
    i += len;
    return cp;
}

inline char32_t Fold(char32_t u) noexcept {
    if (u < 0x80) {
        return (u >= 'A' && u <= 'Z') ? u + 32 : u;
    }
    if (u >= kInvalidBase)
        return u;
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(u), U_FOLD_CASE_DEFAULT));
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

template <typename Map>
std::string MapText(std::string_view s, Map map) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const size_t start = i;
        const char32_t u = NextUnit(s, i);
        if (u >= kInvalidBase)
            out.append(s.substr(start, i - start));
        else
            AppendUtf8(out, map(u));
    }
    return out;
}

} // namespace

int CompareTextCaseBlind(std::string_view a, std::string_view b) noexcept {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ua = Fold(NextUnit(a, i));
        const char32_t ub = Fold(NextUnit(b, j));
        if (ua != ub)
            return ua < ub ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

int CompareTextOrdinal(std::string_view a, std::string_view b) noexcept {
    const int r = a.compare(b); // char_traits<char>::compare works on unsigned char
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

std::string CaseBlindKey(std::string_view s) {
    std::string key;
    key.reserve(s.size() * 3);
    size_t i = 0;
    while (i < s.size()) {
        const char32_t u = Fold(NextUnit(s, i));
        key.push_back(static_cast<char>((u >> 16) & 0xFF));
        key.push_back(static_cast<char>((u >> 8) & 0xFF));
        key.push_back(static_cast<char>(u & 0xFF));
    }
    return key;
}

std::string LowerCaseText(std::string_view s) {
    return MapText(s, [](char32_t u) { return static_cast<char32_t>(u_tolower(static_cast<UChar32>(u))); });
}

std::string UpperCaseText(std::string_view s) {
    return MapText(s, [](char32_t u) { return static_cast<char32_t>(u_toupper(static_cast<UChar32>(u))); });
}
