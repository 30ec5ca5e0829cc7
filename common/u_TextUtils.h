#pragma once
// Small text helpers shared by the units that decode escapes and rewrite pages.

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
