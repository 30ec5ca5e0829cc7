#include "u_CaseBlind.h"

#include "u_Utf8.h"

#include <cstdint>

namespace {

// The tables written at build time from ICU by make_casetables: CaseBlocks, FoldIndex,
// LowerIndex, UpperIndex.
#include "casefold_tables.inc"

inline char32_t Mapped(const uint16_t* index, char32_t cp) noexcept {
    return static_cast<char32_t>(static_cast<int32_t>(cp) + CaseBlocks[index[cp >> 8]][cp & 0xFF]);
}

// Units above the Unicode range stand for single invalid bytes.
constexpr char32_t kInvalidBase = 0x110000;

// Decodes one unit at position i and advances i: a code point, or for a byte that
// does not begin a valid sequence a unit of its own above the Unicode range.
char32_t NextUnit(std::string_view s, size_t& i) noexcept {
    const size_t start = i;
    const char32_t cp = NextUtf8(s, i);
    return cp == InvalidUtf8 ? kInvalidBase + static_cast<unsigned char>(s[start]) : cp;
}

inline char32_t Fold(char32_t u) noexcept {
    if (u < 0x80) {
        return (u >= 'A' && u <= 'Z') ? u + 32 : u;
    }
    if (u >= kInvalidBase)
        return u;
    return Mapped(FoldIndex, u);
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
    return MapText(s, [](char32_t u) { return LowerCaseCodePoint(u); });
}

std::string UpperCaseText(std::string_view s) {
    return MapText(s, [](char32_t u) { return UpperCaseCodePoint(u); });
}

char32_t FoldCaseCodePoint(char32_t CodePoint) noexcept {
    return CodePoint < kInvalidBase ? Mapped(FoldIndex, CodePoint) : CodePoint;
}

char32_t LowerCaseCodePoint(char32_t CodePoint) noexcept {
    return CodePoint < kInvalidBase ? Mapped(LowerIndex, CodePoint) : CodePoint;
}

char32_t UpperCaseCodePoint(char32_t CodePoint) noexcept {
    return CodePoint < kInvalidBase ? Mapped(UpperIndex, CodePoint) : CodePoint;
}

const char* CaseMappingUnicodeVersion() noexcept {
    return CaseTablesUnicodeVersion;
}
