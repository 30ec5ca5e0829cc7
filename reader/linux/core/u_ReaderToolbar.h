// The book's toolbar as the reader builds it: the toolbar description
// "ToolButtons.xml" (sizes, colours, captions, logo, pictures and the buttons with the
// bookmarks of the bookmarks button) and the colour numbers it carries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TReaderBookmark {
    std::string Caption;
    std::string Url;
    bool NewWindow = false;
};

struct TReaderToolButton {
    uint8_t Kind = 255; // TToolButtonKind; 0 is a separator
    std::string Caption;
    std::string Image; // picture path in the system image, empty for none
    std::vector<TReaderBookmark> Bookmarks;
};

struct TReaderToolbar {
    int32_t ButtonWidth = 32;
    int32_t ButtonHeight = 32;
    int32_t ImageWidth = 24;
    int32_t ImageHeight = 24;
    int32_t FontFaceColor = 0;
    int32_t BackGroundColor = 0;
    bool Flat = false;
    bool ShowCaptions = true;
    bool LogoDisplay = false;
    std::string LogoLink;
    std::string LogoText;
    std::vector<TReaderToolButton> Buttons;
};

// Reads "ToolButtons.xml": the root's attributes, then the buttons of its "Buttons"
// element in order, with their bookmark items. An empty text gives no buttons; sizes
// are kept within 8 to 256 pixels. XML and conversion errors pass through.
TReaderToolbar ReadToolButtons(const std::string& Xml);

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
