// Colour numbers as books and projects keep them: a plain RGB value with red in the low
// byte, or a system colour (negative: 0xFF000000 plus the platform's colour index). The
// one decoding of them; the windows map system colours onto their palette
// (common/qt/u_PaletteColors).
#pragma once

#include <cstdint>

struct TColorNumber {
    bool IsSystem = false;
    int SystemIndex = 0; // for a system colour
    uint8_t Red = 0, Green = 0, Blue = 0;
};
TColorNumber DecodeColor(int32_t Value);

inline bool IsSystemColor(int32_t Value) {
    return DecodeColor(Value).IsSystem;
}
inline int SystemColorIndex(int32_t Value) {
    return DecodeColor(Value).SystemIndex;
}

// The platform's colour indexes the programs show.
constexpr int ColorIndexMenuText = 7;
constexpr int ColorIndexWindow = 5;
constexpr int ColorIndexWindowText = 8;
constexpr int ColorIndexCaptionText = 9;
constexpr int ColorIndexHighlight = 13;
constexpr int ColorIndexHighlightText = 14;
constexpr int ColorIndexBtnFace = 15;
constexpr int ColorIndexBtnShadow = 16;
constexpr int ColorIndexGrayText = 17;
constexpr int ColorIndexBtnText = 18;
constexpr int ColorIndexBtnHighlight = 20;
constexpr int ColorIndex3DDarkShadow = 21;
constexpr int ColorIndexInfoText = 23;
constexpr int ColorIndexInfoBackground = 24;
