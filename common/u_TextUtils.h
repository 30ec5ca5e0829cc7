#pragma once
// Small text helpers shared by the units that decode escapes and rewrite pages.

#include "u_Utf8.h"

#include <cstdint>
#include <string>
#include <string_view>

// The value of one hexadecimal digit (either letter case), or -1 for any other character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Replaces every occurrence of `what` (case-sensitive, left to right, never inside a
// replacement already made). An empty `what` leaves the text as it is.
inline std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
    if (what.empty())
        return text;
    std::size_t pos = 0;
    while ((pos = text.find(what, pos)) != std::string::npos) {
        text.replace(pos, what.size(), with);
        pos += with.size();
    }
    return text;
}

// Letter case of ASCII letters only: positions in a mapped text stay those of the
// original (a full case mapping may change lengths). For markup names and keywords.
constexpr char AsciiLowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
constexpr char AsciiUpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
// Text without the blanks and control characters (bytes up to the space) around it,
// as links are read from attributes.
inline std::string_view TrimControls(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

inline bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i]))
            return false;
    return true;
}
// The first position at or after From where What stands, ASCII letter case ignored.
inline std::size_t FindTextAscii(std::string_view text, std::string_view what, std::size_t from = 0) {
    if (what.empty())
        return from <= text.size() ? from : std::string_view::npos;
    if (text.size() < what.size())
        return std::string_view::npos;
    const char first = AsciiLowerChar(what[0]);
    for (std::size_t i = from; i + what.size() <= text.size(); ++i)
        if (AsciiLowerChar(text[i]) == first && SameTextAscii(text.substr(i, what.size()), what))
            return i;
    return std::string_view::npos;
}

// Appends a code point in UTF-8. One that no text may hold (NUL, a surrogate, beyond
// U+10FFFF) becomes U+FFFD, as HTML and CSS read character references and escapes.
inline void AppendCodePoint(std::string& out, uint32_t cp) {
    AppendUtf8(out, cp == 0 ? 0xFFFD : cp); // which writes the others that way itself
}
