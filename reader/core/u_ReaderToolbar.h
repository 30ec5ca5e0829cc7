// The book's toolbar as the reader builds it: the buttons of the toolbar description
// "ToolButtons.xml" with the bookmarks of the bookmarks button, and the colour numbers
// of the toolbar options. Sizes, colours, captions and the logo are the toolbar
// options of "System.xml" (TToolbarOptions), which the description repeats.
#pragma once

#include "u_ToolButtons.h"

#include <cstdint>
#include <string>
#include <vector>

// A colour number of the book: a plain RGB value (red in the low byte), or a system
// colour (negative; the platform's colour index in the low byte).
struct TReaderColor {
    bool IsSystem = false;
    int SystemIndex = 0; // for a system colour
    uint8_t Red = 0, Green = 0, Blue = 0;
};
TReaderColor DecodeColor(int32_t Value);

// Platform colour indexes the reader maps onto its own palette.
constexpr int ColorIndexWindow = 5;
constexpr int ColorIndexWindowText = 8;
constexpr int ColorIndexBtnFace = 15;
constexpr int ColorIndexBtnText = 18;
constexpr int ColorIndexHighlight = 13;
constexpr int ColorIndexHighlightText = 14;
