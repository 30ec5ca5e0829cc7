// The one case-blind comparison of the system. Every dictionary, the XML reader's
// name look-ups, the in-memory file system and the URL protocol decide key equality
// and listing order through it.
//
// Text is 8-bit, in the system code page, which is UTF-8 here. Both strings are read
// as UTF-8; each code point is mapped by Unicode simple case folding (tables written
// from ICU at build time, the same on every platform) and the folded
// sequences are compared in code-point order. A byte that is not part of a valid
// UTF-8 sequence is a unit of its own, ordered after every code point and kept
// distinct from every other byte, so two different invalid names never compare
// equal. The result is a stable total order in which strings that differ only in
// letter case are equal, and nothing else is.
#pragma once

#include <string>
#include <string_view>

// -1, 0 or +1.
int CompareTextCaseBlind(std::string_view a, std::string_view b) noexcept;

inline bool SameTextCaseBlind(std::string_view a, std::string_view b) noexcept {
    return CompareTextCaseBlind(a, b) == 0;
}

// Ordinal comparison of 8-bit strings as unsigned bytes: -1, 0 or +1.
int CompareTextOrdinal(std::string_view a, std::string_view b) noexcept;

// Ordering functor for standard containers (heterogeneous look-up allowed).
struct CaseBlindLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        return CompareTextCaseBlind(a, b) < 0;
    }
};

// A sort key: byte-wise comparison of two keys gives the same result as
// CompareTextCaseBlind of their strings, and keys are equal exactly when the strings
// are case-blind equal. Useful for hashing and for maps built once and searched often.
std::string CaseBlindKey(std::string_view s);

// Simple (one code point to one code point) lower and upper case mappings; invalid
// bytes are kept as they are.
std::string LowerCaseText(std::string_view s);
std::string UpperCaseText(std::string_view s);

// The mappings of one code point (a value above U+10FFFF is kept as it is), and the
// Unicode version of the tables.
char32_t FoldCaseCodePoint(char32_t CodePoint) noexcept;
char32_t LowerCaseCodePoint(char32_t CodePoint) noexcept;
char32_t UpperCaseCodePoint(char32_t CodePoint) noexcept;
const char* CaseMappingUnicodeVersion() noexcept;
